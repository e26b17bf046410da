#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/storage/system_paths.h"

namespace tarn {

std::string CreatePrivateTempFile(const std::string& prefix, std::string* tried, int* error) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = std::getenv("TEMP");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/" + prefix + "XXXXXX";
    if (tried) *tried = pattern;
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = errno;
        return {};
    }
    ::close(fd);
    return pattern;
}

void RemoveFile(const std::string& utf8Path) { ::unlink(utf8Path.c_str()); }

std::string ProgramDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "./";
    return exe.parent_path().string() + "/";
}

std::string UserDataDirectory(const std::string& programName) {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return std::string(xdg) + "/" + programName + "/";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/" + programName + "/";
}

bool IsWritableDirectory(const std::string& utf8Path) { return ::access(utf8Path.c_str(), W_OK) == 0; }

}  // namespace tarn
