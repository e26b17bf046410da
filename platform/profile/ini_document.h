#pragma once
// The text of a profile: sections of key=value lines, read leniently (a line that
// is not understood is ignored, so a damaged file reads as defaults) and written
// back so that every text, with its surrounding blanks and line breaks, survives.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn {

class IniDocument {
public:
    using Entries = std::vector<std::pair<std::u16string, std::u16string>>;

    static IniDocument Parse(std::string_view utf8);
    std::string Serialise() const;

    std::optional<std::u16string> Find(std::u16string_view section, std::u16string_view key) const;
    // False, and nothing changes, for a section or key name that a file cannot hold.
    bool Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    Entries SectionEntries(std::u16string_view section) const;

    static bool IsValidSectionName(std::u16string_view name);
    static bool IsValidKeyName(std::u16string_view name);

private:
    struct Section {
        std::u16string name;
        Entries entries;
    };
    Section* FindSection(std::u16string_view name);
    const Section* FindSection(std::u16string_view name) const;

    std::vector<Section> m_sections;
};

// A whole decimal number (blanks around it allowed) that fits an int; def otherwise.
int ParseProfileInt(std::u16string_view text, int def);

}  // namespace tarn
