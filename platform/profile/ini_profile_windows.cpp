// The INI profile on Windows (the file that TARN_PROFILE names; the user's own
// profile is the registry): read whole, replaced whole, writers kept apart by
// a lock on a file beside it.
#include <windows.h>
// The profile calls of the interface share their names with Win32's own INI calls.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#undef GetProfileSection

#include <cstdlib>
#include <cwctype>
#include <functional>

#include "platform/profile/ini_profile.h"
#include "platform/storage/file.h"
#include "platform/storage/replacement_file.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

std::string Utf8Path(const std::filesystem::path& path) { return ToUtf8(path.u16string()); }

// Held while a writer reads, changes and replaces the file: a named mutex of
// the session, named after the file's full path, so that no file is left
// beside the profile.
class WriterLock {
public:
    explicit WriterLock(const std::filesystem::path& file) {
        std::error_code ec;
        std::wstring path = std::filesystem::absolute(file, ec).wstring();
        for (wchar_t& c : path) c = c == L'\\' ? L'/' : static_cast<wchar_t>(::towlower(c));
        const std::wstring name = L"Local\\tarn-profile-" + std::to_wstring(std::hash<std::wstring>()(path));
        m_mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
        if (!m_mutex) return;
        const DWORD rc = ::WaitForSingleObject(m_mutex, INFINITE);
        m_locked = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
    }
    ~WriterLock() {
        if (!m_mutex) return;
        if (m_locked) ::ReleaseMutex(m_mutex);
        ::CloseHandle(m_mutex);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    bool Held() const { return m_locked; }

private:
    HANDLE m_mutex = nullptr;
    bool m_locked = false;
};

}  // namespace

IniProfile::IniProfile(std::filesystem::path file) : m_path(std::move(file)) {}

std::filesystem::path IniProfile::Directory() const {
    std::filesystem::path dir = m_path.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

IniDocument IniProfile::Load() const {
    File file;
    uint64_t size = 0;
    if (file.Open(Utf8Path(m_path), File::Access::kRead, false) != 0 || file.Size(&size) != 0 ||
        size > kMaxFileSize)
        return {};
    std::string text(static_cast<size_t>(size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        size_t n = 0;
        if (file.Read(text.data() + got, text.size() - got, &n) != 0) return {};
        if (n == 0) break;
        got += n;
    }
    text.resize(got);
    return IniDocument::Parse(text);
}

bool IniProfile::Store(const IniDocument& doc) const {
    ReplacementFile replacement(Utf8Path(m_path));
    if (replacement.Error()) return false;
    File file;
    if (file.Open(replacement.Path(), File::Access::kCreate, true) != 0) return false;
    const std::string text = doc.Serialise();
    if (file.WriteAll(text.data(), text.size()) != 0 || file.Close() != 0) return false;
    return replacement.Commit() == 0;
}

int IniProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry, int def) const {
    std::lock_guard lock(m_mutex);
    auto text = Load().Find(section, entry);
    return text ? ParseProfileInt(*text, def) : def;
}

bool IniProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry, int value) {
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
    if (!IniDocument::IsValidSectionName(section) || !IniDocument::IsValidKeyName(entry) || m_path.empty())
        return false;
    std::lock_guard lock(m_mutex);
    std::error_code ec;
    std::filesystem::create_directories(Directory(), ec);
    WriterLock writer(m_path);
    if (!writer.Held()) return false;
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

// %APPDATA%\<key>\<application>.ini; empty when the variable is not set.
std::filesystem::path DefaultProfilePath(std::u16string_view registryKey, std::u16string_view appName) {
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    if (!appData || !*appData) return {};
    std::u16string file(appName);
    for (char16_t& c : file)
        if (c == u'/' || c == u'\\' || c == u':' || c < 0x20) c = u'_';
    return std::filesystem::path(appData) / std::filesystem::path(std::u16string(registryKey)) /
           std::filesystem::path(file + u".ini");
}

}  // namespace tarn
