#include "platform/profile/ini_profile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/storage/replacement_file.h"
#include "platform/wide_string.h"

namespace tarn {
namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return m_fd; }
    // Closes now and tells whether the close found a deferred write error.
    bool Reset() {
        int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string FileNameFrom(std::u16string_view name) {
    std::u16string safe(name);
    for (char16_t& c : safe)
        if (c == u'/' || c < 0x20 || c == 0x7F) c = u'_';
    if (safe.empty() || safe == u"." || safe == u"..") return "_";
    return ToUtf8(safe);
}

std::filesystem::path HomeDirectory() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    std::vector<char> buf(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return {};
}

}  // namespace

IniProfile::WriterLock::WriterLock(const std::filesystem::path& file) {
    std::filesystem::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    // A lock on the directory: it outlives the file that each write replaces.
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    m_handle = fd;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    m_held = rc == 0;
}

IniProfile::WriterLock::~WriterLock() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));  // closing releases the lock
}

IniDocument IniProfile::Load() const {
    UniqueFd fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > kMaxFileSize)
        return {};
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        ssize_t n = ::read(fd.Get(), text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {};
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    return IniDocument::Parse(text);
}

bool IniProfile::Store(const IniDocument& doc) const {
    ReplacementFile replacement(m_path.string());
    if (replacement.Error()) return false;
    UniqueFd fd(::open(replacement.Path().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW));
    if (fd.Get() < 0 || !WriteAll(fd.Get(), doc.Serialise()) || !fd.Reset()) return false;
    return replacement.Commit() == 0;
}

std::filesystem::path DefaultProfilePath(std::u16string_view registryKey,
                                         std::u16string_view appName) {
    std::filesystem::path base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        std::filesystem::path home = HomeDirectory();
        if (home.empty()) return {};
        base = home / ".config";
    }
    return base / FileNameFrom(registryKey) / (FileNameFrom(appName) + ".ini");
}

}  // namespace tarn
