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

IniProfile::IniProfile(std::filesystem::path file) : m_path(std::move(file)) {}

std::filesystem::path IniProfile::Directory() const {
    std::filesystem::path dir = m_path.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
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

int IniProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry,
                              int def) const {
    std::lock_guard lock(m_mutex);
    auto text = Load().Find(section, entry);
    return text ? ParseProfileInt(*text, def) : def;
}

bool IniProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry,
                                 int value) {
    return WriteProfileString(section, entry, Widen(std::to_string(value)));
}

std::u16string IniProfile::GetProfileString(std::u16string_view section, std::u16string_view entry,
                                            std::u16string_view def) const {
    std::lock_guard lock(m_mutex);
    auto text = Load().Find(section, entry);
    return text ? *text : std::u16string(def);
}

bool IniProfile::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                    std::u16string_view value) {
    if (!IniDocument::IsValidSectionName(section) || !IniDocument::IsValidKeyName(entry) ||
        m_path.empty())
        return false;
    std::lock_guard lock(m_mutex);
    const std::filesystem::path dir = Directory();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    UniqueFd dirLock(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirLock.Get() < 0) return false;
    int rc;
    do {
        rc = ::flock(dirLock.Get(), LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return false;

    IniDocument doc = Load();
    if (doc.Find(section, entry) == std::u16string(value)) return true;
    doc.Set(section, entry, value);
    return Store(doc);
}

std::vector<std::pair<std::u16string, std::u16string>> IniProfile::GetProfileSection(
    std::u16string_view section) const {
    std::lock_guard lock(m_mutex);
    return Load().SectionEntries(section);
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
