#include "platform/profile/memory_profile.h"

#include "platform/wide_string.h"

namespace tarn {

int MemoryProfile::GetProfileInt(std::u16string_view section, std::u16string_view entry,
                                 int def) const {
    std::lock_guard lock(m_mutex);
    auto text = m_doc.Find(section, entry);
    return text ? ParseProfileInt(*text, def) : def;
}

bool MemoryProfile::WriteProfileInt(std::u16string_view section, std::u16string_view entry,
                                    int value) {
    return WriteProfileString(section, entry, Widen(std::to_string(value)));
}

std::u16string MemoryProfile::GetProfileString(std::u16string_view section,
                                               std::u16string_view entry,
                                               std::u16string_view def) const {
    std::lock_guard lock(m_mutex);
    auto text = m_doc.Find(section, entry);
    return text ? *text : std::u16string(def);
}

bool MemoryProfile::WriteProfileString(std::u16string_view section, std::u16string_view entry,
                                       std::u16string_view value) {
    std::lock_guard lock(m_mutex);
    return m_doc.Set(section, entry, value);
}

std::vector<std::pair<std::u16string, std::u16string>> MemoryProfile::GetProfileSection(
    std::u16string_view section) const {
    std::lock_guard lock(m_mutex);
    return m_doc.SectionEntries(section);
}

}  // namespace tarn
