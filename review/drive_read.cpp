#include "review/drive_read.h"

namespace tarn::review {

namespace {

[[noreturn]] void Unread(CDeviceCmd& cmd, const char16_t* what) {
    throw cmd.m_strLastError.empty() ? std::u16string(what)
                                     : std::u16string(what) + u": " + cmd.m_strLastError;
}

}  // namespace

void ReadDrive(ICmdImpl& command, const ConfigSide& image, const DriveParts& parts,
               Configuration& drive) {
    CDeviceCmd& cmd = *command.GetCmd();
    cmd.m_strLastError.clear();
    drive.cfg.SetCmdImpl(&command);
    drive.params.SetCmdImpl(&command);
    if (!cmd.ReadDevInfo(drive.info)) Unread(cmd, u"the drive's identity does not read");
    // The Program's size, which an upload does not read, as the download's machine check reads it.
    if (!drive.cfg.ReadDeviceSizes()) Unread(cmd, u"the drive's section sizes do not read");
    drive.cfg.SectionP_Size.image = drive.cfg.SectionP_Size.drive;

    if (parts.parameters) {
        drive.params.CopyDefinitionsFrom(image.params);
        drive.params.m_DevInfo = image.info;  // the definitions are the image drive's
        if (!drive.params.UploadValues()) Unread(cmd, u"the parameters do not read");
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

}  // namespace tarn::review
