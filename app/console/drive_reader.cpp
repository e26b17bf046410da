#include "app/console/drive_reader.h"

namespace tarn::console {

namespace {

[[noreturn]] void Unread(CDeviceCmd& cmd, const char16_t* what) {
    throw cmd.m_strLastError.empty() ? std::u16string(what)
                                     : std::u16string(what) + u": " + cmd.m_strLastError;
}

}  // namespace

void ReadDrive(ICmdImpl& command, const CDevInfo& imageInfo, const CParaMgr& imageParams,
               const DriveParts& parts, Configuration& drive) {
    CDeviceCmd& cmd = *command.GetCmd();
    cmd.m_strLastError.clear();
    drive.cfg.SetCmdImpl(&command);
    drive.params.SetCmdImpl(&command);
    if (!cmd.ReadDevInfo(drive.info)) Unread(cmd, u"the drive's identity does not read");
    // The Program's size, which an upload does not read, as the download's machine check reads it.
    if (!drive.cfg.ReadDeviceSizes()) Unread(cmd, u"the drive's section sizes do not read");
    drive.cfg.SectionP_Size.image = drive.cfg.SectionP_Size.drive;

    if (parts.parameters) {
        CParaMgr& params = drive.params;
        params.m_DevInfo = imageInfo;  // the definitions are the image drive's
        params.m_nAxes = imageParams.m_nAxes;
        params.m_nGroupCount = imageParams.m_nGroupCount;
        params.m_nExtCount1 = imageParams.m_nExtCount1;
        params.m_nExtCount2 = imageParams.m_nExtCount2;
        params.m_pGroupCap = imageParams.m_pGroupCap;
        params.m_ppItems = imageParams.m_ppItems;
        for (auto& group : params.m_ppItems)
            for (CParaItem& item : group) item.SetCmdImpl(&command);
        if (!params.UploadValues()) Unread(cmd, u"the parameters do not read");
    }
    // The upload's own sequence for the sizes and sections; the parameters are
    // read above, where a failure is seen.
    drive.cfg.IncludeProgramDV = 0;
    drive.cfg.IncludeDH = parts.dh;
    drive.cfg.IncludeMH = parts.mh;
    drive.cfg.IncludePara = 0;
    if (!drive.cfg.UploadFromDevice(nullptr, nullptr))
        Unread(cmd, u"the drive's sections do not read");
    drive.cfg.IncludePara = parts.parameters;
}

}  // namespace tarn::console
