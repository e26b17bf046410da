#include "platform/profile/ini_document.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "platform/wide_string.h"

namespace tarn {
namespace {

char16_t FoldCase(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool HasControl(std::u16string_view s) {
    return std::any_of(s.begin(), s.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

bool HasOuterBlank(std::u16string_view s) {
    return !s.empty() &&
           (s.front() == u' ' || s.front() == u'\t' || s.back() == u' ' || s.back() == u'\t');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted value: backslash escapes \\ \" \n \r \t and \xHH. An escape that is not
// understood is kept as it stands.
std::string Unquote(std::string_view body) {
    std::string out;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c != '\\' || i + 1 >= body.size()) {
            out.push_back(c);
            continue;
        }
        char e = body[i + 1];
        switch (e) {
            case '\\':
                out.push_back('\\');
                ++i;
                break;
            case '"':
                out.push_back('"');
                ++i;
                break;
            case 'n':
                out.push_back('\n');
                ++i;
                break;
            case 'r':
                out.push_back('\r');
                ++i;
                break;
            case 't':
                out.push_back('\t');
                ++i;
                break;
            case 'x':
                if (i + 3 < body.size() && HexDigit(body[i + 2]) >= 0 &&
                    HexDigit(body[i + 3]) >= 0) {
                    out.push_back(
                        static_cast<char>(HexDigit(body[i + 2]) * 16 + HexDigit(body[i + 3])));
                    i += 3;
                } else {
                    out.push_back(c);
                }
                break;
            default:
                out.push_back(c);
                break;
        }
    }
    return out;
}

std::string QuoteIfNeeded(std::u16string_view value) {
    std::string utf8 = ToUtf8(value);
    if (!HasOuterBlank(value) && !HasControl(value) && (value.empty() || value.front() != u'"'))
        return utf8;
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                    static const char kHex[] = "0123456789ABCDEF";
                    out += "\\x";
                    out.push_back(kHex[(c >> 4) & 0xF]);
                    out.push_back(kHex[c & 0xF]);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace

bool IniDocument::IsValidSectionName(std::u16string_view name) {
    return !name.empty() && !HasControl(name) && !HasOuterBlank(name) &&
           name.find(u']') == std::u16string_view::npos;
}

bool IniDocument::IsValidKeyName(std::u16string_view name) {
    return !name.empty() && !HasControl(name) && !HasOuterBlank(name) &&
           name.find(u'=') == std::u16string_view::npos && name.front() != u'[' &&
           name.front() != u';' && name.front() != u'#';
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Section* current = nullptr;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            current = nullptr;  // keys under a damaged header belong nowhere
            if (line.back() != ']') continue;
            std::u16string name = FromUtf8(Trim(line.substr(1, line.size() - 2)));
            if (!IsValidSectionName(name)) continue;
            current = doc.FindSection(name);
            if (!current) current = &doc.m_sections.emplace_back(Section{std::move(name), {}});
            continue;
        }
        size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos) continue;
        std::u16string key = FromUtf8(Trim(line.substr(0, eq)));
        if (!IsValidKeyName(key)) continue;
        std::string_view raw = Trim(line.substr(eq + 1));
        std::u16string value = (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
                                   ? FromUtf8(Unquote(raw.substr(1, raw.size() - 2)))
                                   : FromUtf8(raw);
        // The first of two equal keys is the one that counts, as when it is read.
        bool known = std::any_of(current->entries.begin(), current->entries.end(),
                                 [&](const auto& e) { return SameName(e.first, key); });
        if (!known) current->entries.emplace_back(std::move(key), std::move(value));
    }
    return doc;
}

std::string IniDocument::Serialise() const {
    std::string out;
    for (const Section& section : m_sections) {
        if (!out.empty()) out += '\n';
        out += '[' + ToUtf8(section.name) + "]\n";
        for (const auto& [key, value] : section.entries)
            out += ToUtf8(key) + '=' + QuoteIfNeeded(value) + '\n';
    }
    return out;
}

IniDocument::Section* IniDocument::FindSection(std::u16string_view name) {
    for (Section& s : m_sections)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::u16string_view name) const {
    for (const Section& s : m_sections)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

std::optional<std::u16string> IniDocument::Find(std::u16string_view section,
                                                std::u16string_view key) const {
    const Section* s = FindSection(section);
    if (!s) return std::nullopt;
    for (const auto& [k, v] : s->entries)
        if (SameName(k, key)) return v;
    return std::nullopt;
}

bool IniDocument::Set(std::u16string_view section, std::u16string_view key,
                      std::u16string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key)) return false;
    Section* s = FindSection(section);
    if (!s) s = &m_sections.emplace_back(Section{std::u16string(section), {}});
    for (auto& [k, v] : s->entries) {
        if (SameName(k, key)) {
            v = value;
            return true;
        }
    }
    s->entries.emplace_back(std::u16string(key), std::u16string(value));
    return true;
}

IniDocument::Entries IniDocument::SectionEntries(std::u16string_view section) const {
    const Section* s = FindSection(section);
    return s ? s->entries : Entries{};
}

int ParseProfileInt(std::u16string_view text, int def) {
    std::string ascii;
    for (char16_t c : text) {
        if (c > 0x7F) return def;
        ascii.push_back(static_cast<char>(c));
    }
    std::string_view s = Trim(ascii);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') return def;
    }
    if (s.empty()) return def;
    int value = 0;
    auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (err != std::errc() || end != s.data() + s.size()) return def;
    return value;
}

}  // namespace tarn
