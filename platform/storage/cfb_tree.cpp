#include "platform/storage/cfb_tree.h"

namespace tarn::cfb {
namespace {

// Simple upper-case mapping of one UTF-16 unit, as the format orders names:
// ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters.
char16_t UpperUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Pairs of capital (even) and small (odd) letters, shifted by one in two ranges.
        bool oddSmall = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        if (oddSmall && (c & 1)) return static_cast<char16_t>(c - 1);
        bool evenSmall = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (evenSmall && !(c & 1)) return static_cast<char16_t>(c - 1);
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

}  // namespace

int CompareNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;  // names of one family share long stretches ("ParaStorage")
        char16_t x = UpperUnit(a[i]);
        char16_t y = UpperUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool IsValidName(std::u16string_view name) {
    if (name.empty() || name.size() > 31) return false;
    for (char16_t c : name) {
        if (c == 0 || c == u'/' || c == u'\\' || c == u':' || c == u'!') return false;
    }
    return true;
}

}  // namespace tarn::cfb
