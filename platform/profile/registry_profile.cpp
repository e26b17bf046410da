#include "platform/profile/registry_profile.h"

#include <windows.h>
// The profile calls of the interface share their names with Win32's own INI calls.
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#undef GetProfileSection

#include <cstring>
#include <vector>

#include "platform/profile/ini_document.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

// An open registry key, closed with its owner.
class Key {
public:
    Key(const std::u16string& path, bool create) {
        const std::wstring wide = WideFromU16(path);
        const LONG rc = create ? ::RegCreateKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, nullptr, 0,
                                                   KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr)
                               : ::RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_READ, &m_key);
        if (rc != ERROR_SUCCESS) m_key = nullptr;
    }
    ~Key() {
        if (m_key) ::RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// A value's type and bytes; false when it is missing.
bool QueryValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    data.assign(size + sizeof(wchar_t), 0);
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return false;
    data.resize(size);
    return true;
}

// A REG_SZ value's text without its terminating NUL.
std::u16string TextOf(const std::vector<BYTE>& data) {
    std::u16string text(data.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

}  // namespace

RegistryProfile::RegistryProfile(std::u16string registryKey, std::u16string appName)
    : m_appKey(u"Software\\" + registryKey + u"\\" + appName) {}

std::u16string RegistryProfile::SectionKey(std::u16string_view section) const {
    return m_appKey + u"\\" + std::u16string(section);
}

int RegistryProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry, int def) const {
    Key key(SectionKey(section), false);
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!key.Get() || !QueryValue(key.Get(), WideFromU16(std::u16string(entry)), type, data)) return def;
    if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data.data(), sizeof value);
        return static_cast<int>(value);
    }
    // A number kept as text (written by hand) reads as the INI profile reads it.
    if (type == REG_SZ) return ParseProfileInt(TextOf(data), def);
    return def;
}

bool RegistryProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry, int value) {
    if (!IniDocument::IsValidSectionName(section) || !IniDocument::IsValidKeyName(entry)) return false;
    Key key(SectionKey(section), true);
    if (!key.Get()) return false;
    const DWORD dword = static_cast<DWORD>(value);
    return ::RegSetValueExW(key.Get(), WideFromU16(std::u16string(entry)).c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&dword), sizeof dword) == ERROR_SUCCESS;
}

std::u16string RegistryProfile::GetProfileString(std::u16string_view section, std::u16string_view entry,
                                                 std::u16string_view def) const {
    Key key(SectionKey(section), false);
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!key.Get() || !QueryValue(key.Get(), WideFromU16(std::u16string(entry)), type, data) ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::u16string(def);
    return TextOf(data);
}

bool RegistryProfile::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                         std::u16string_view value) {
    // The names an INI profile can hold, so that a profile moves between the two.
    if (!IniDocument::IsValidSectionName(section) || !IniDocument::IsValidKeyName(entry)) return false;
    Key key(SectionKey(section), true);
    if (!key.Get()) return false;
    const std::wstring text = WideFromU16(std::u16string(value));
    return ::RegSetValueExW(key.Get(), WideFromU16(std::u16string(entry)).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::vector<std::pair<std::u16string, std::u16string>> RegistryProfile::GetProfileSection(
    std::u16string_view section) const {
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    Key key(SectionKey(section), false);
    if (!key.Get()) return entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        if (::RegEnumValueW(key.Get(), i, name, &nameLength, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        const std::u16string entry = U16FromWide(std::wstring(name, nameLength));
        if (type == REG_DWORD)
            entries.emplace_back(entry, U16FromWide(std::to_wstring(GetProfileInt(section, entry, 0))));
        else if (type == REG_SZ || type == REG_EXPAND_SZ)
            entries.emplace_back(entry, GetProfileString(section, entry, u""));
    }
    return entries;
}

bool RegistryProfile::RemoveAll() {
    return ::RegDeleteTreeW(HKEY_CURRENT_USER, WideFromU16(m_appKey).c_str()) == ERROR_SUCCESS;
}

std::u16string ProgramBaseName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return u"tarn";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    return U16FromWide(name);
}

}  // namespace tarn
