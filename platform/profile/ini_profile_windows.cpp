// The INI profile on Windows (the file that TARN_PROFILE names; the user's own
// profile is the registry): read whole, replaced whole, writers kept apart by
// the named mutex of the session.
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

}  // namespace

// A named mutex of the session, named after the file's full path, so that no
// file is left beside the profile.
IniProfile::WriterLock::WriterLock(const std::filesystem::path& file) {
    std::error_code ec;
    std::wstring path = std::filesystem::absolute(file, ec).wstring();
    for (wchar_t& c : path) c = c == L'\\' ? L'/' : static_cast<wchar_t>(::towlower(c));
    const std::wstring name = L"Local\\tarn-profile-" + std::to_wstring(std::hash<std::wstring>()(path));
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) return;
    m_handle = reinterpret_cast<intptr_t>(mutex);
    const DWORD rc = ::WaitForSingleObject(mutex, INFINITE);
    m_held = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
}

IniProfile::WriterLock::~WriterLock() {
    if (m_handle == -1) return;
    HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
    if (m_held) ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
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
