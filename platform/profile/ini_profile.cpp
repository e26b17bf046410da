// The INI profile's settings calls, the same on every system; loading,
// storing and the writers' lock are the system's own (ini_profile_posix.cpp,
// ini_profile_windows.cpp).
#include "platform/profile/ini_profile.h"

#include <utility>

#include "platform/wide_string.h"

namespace tarn {

IniProfile::IniProfile(std::filesystem::path file) : m_path(std::move(file)) {}

std::filesystem::path IniProfile::Directory() const {
    std::filesystem::path dir = m_path.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
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
    // Another process may write the same file: read, change and replace it
    // under the writers' lock, so neither loses the other's keys.
    const WriterLock writer(m_path);
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

}  // namespace tarn
