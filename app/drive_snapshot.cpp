#include "app/drive_snapshot.h"

#include <algorithm>

#include "app/service_history.h"
#include "image/cfg_exchange.h"
#include "image/image_file.h"
#include "platform/storage/replacement_file.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

std::string IdentityPrefix(const CDevInfo& drive) {
    return "drive-" + std::to_string(drive.m_wIdent1) + "-" + std::to_string(drive.m_wIdent2) + "-" +
           std::to_string(drive.m_wIdent3) + "_";
}

std::u16string Reason(CDeviceCmd& cmd, const char16_t* what) {
    return cmd.m_strLastError.empty() ? std::u16string(what) : std::u16string(what) + u": " + cmd.m_strLastError;
}

}  // namespace

bool TakeSnapshot(ICmdImpl& command, CParaMgr& definitions, CDevInfo& driveInfo,
                  const std::filesystem::path& file, std::u16string* reason) {
    CDeviceCmd& cmd = *command.GetCmd();
    cmd.m_strLastError.clear();
    CCfgExchange cfg;
    cfg.SetCmdImpl(&command);
    cfg.ParaMgr = &definitions;
    // The parameters first and on their own: the upload sequence does not say
    // whether they were read, and a snapshot without them undoes nothing.
    if (!definitions.UploadValues()) {
        *reason = Reason(cmd, u"The drive's parameters do not read");
        return false;
    }
    cfg.IncludeProgramDV = 0;
    cfg.IncludeDH = cfg.IncludeMH = 1;
    if (!cfg.UploadFromDevice(nullptr, nullptr)) {
        *reason = Reason(cmd, u"The drive's sections do not read");
        return false;
    }
    cfg.IncludePara = 1;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    int osError = 0;
    if (!WriteImageFile(FromUtf8(Utf8Of(file)), driveInfo, cfg, &osError)) {
        *reason = u"The snapshot could not be saved to " + FromUtf8(Utf8Of(file)) +
                  (osError ? u": " + FromUtf8(OsErrorText(osError)) : u"");
        return false;
    }
    return true;
}

std::filesystem::path NewSnapshotPath(const std::filesystem::path& dataFolder, const CDevInfo& drive) {
    std::string stamp = UtcTimestamp();  // 2026-12-07T21:04:05Z
    stamp.erase(std::remove_if(stamp.begin(), stamp.end(), [](char c) { return c == '-' || c == ':'; }),
                stamp.end());
    const std::filesystem::path folder = dataFolder / "snapshots";
    std::filesystem::path path = folder / (IdentityPrefix(drive) + stamp + ".tkw");
    std::error_code ec;
    // Two in one second get a running number (which still sorts after the first).
    for (int n = 2; std::filesystem::exists(path, ec); ++n)
        path = folder / (IdentityPrefix(drive) + stamp + "_" + std::to_string(n) + ".tkw");
    return path;
}

std::optional<std::filesystem::path> LastSnapshot(const std::filesystem::path& dataFolder, const CDevInfo& drive) {
    std::error_code ec;
    std::optional<std::filesystem::path> newest;
    const std::string prefix = IdentityPrefix(drive);
    for (const auto& entry : std::filesystem::directory_iterator(dataFolder / "snapshots", ec)) {
        const std::string name = Utf8Of(entry.path().filename());
        if (!name.starts_with(prefix) || entry.path().extension() != ".tkw") continue;
        if (!newest || name > Utf8Of(newest->filename())) newest = entry.path();
    }
    return newest;
}

}  // namespace tarn
