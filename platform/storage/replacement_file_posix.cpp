#include "platform/storage/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace tarn {

namespace {

namespace fs = std::filesystem;

int SyncAndClose(int fd) {
    int error = ::fsync(fd) == 0 ? 0 : errno;
    // close reports write errors that the file system deferred (network and FUSE file systems).
    if (::close(fd) != 0 && error == 0) error = errno;
    return error;
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& utf8Target) : m_target(utf8Target) {
    std::error_code ec;
    if (fs::is_symlink(m_target, ec)) {
        const fs::path resolved = fs::canonical(m_target, ec);
        if (!ec) m_target = resolved.string();
    }
    const fs::path target(m_target);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    struct stat existing {};
    const bool replaces = ::stat(m_target.c_str(), &existing) == 0;
    if (replaces && S_ISDIR(existing.st_mode)) {
        m_error = EISDIR;
        return;
    }
    // A device node, a FIFO or a socket is never replaced by a file: the
    // rename would take the node away ("File exists" names what is there).
    if (replaces && !S_ISREG(existing.st_mode)) {
        m_error = EEXIST;
        return;
    }
    // A hidden name of its own; created exclusively with the usual mode, so the
    // user's umask applies as to any new file.
    std::random_device random;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
        m_path = (dir / ("." + target.filename().string() + suffix)).string();
        fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        m_error = errno;
        m_path.clear();
        return;
    }
    if (replaces) {
        // The new file keeps the old one's permissions, and its owner where this
        // user may give it (root replacing another user's file).
        ::fchmod(fd, existing.st_mode & 07777);
        [[maybe_unused]] const int kept = ::fchown(fd, existing.st_uid, existing.st_gid);
    }
    if (::close(fd) != 0) m_error = errno;
}

ReplacementFile::~ReplacementFile() {
    if (!m_committed && !m_path.empty()) ::unlink(m_path.c_str());
}

int ReplacementFile::Commit() {
    if (m_error) return m_error;
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno;
    if (const int error = SyncAndClose(fd)) return error;
    if (::rename(m_path.c_str(), m_target.c_str()) != 0) return errno;
    m_committed = true;
    // The rename reaches the disk with the directory's own entry list.
    const fs::path target(m_target);
    const std::string dir = target.has_parent_path() ? target.parent_path().string() : ".";
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return 0;
}

std::string OsErrorText(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace tarn
