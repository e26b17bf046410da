#include "platform/ports/drive_port.h"

namespace tarn {

std::u16string UpperCase(std::u16string text) {
    for (char16_t& c : text)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}

std::u16string_view DrivePortKeyword(int16_t ident1, int16_t ident2, int16_t ident3) {
    if (ident1 == 3 && ident2 == 6 && (ident3 == 5 || ident3 == 6)) return u"SILICON";
    // Compared with an upper-cased name, this keyword with its lower-case letters
    // never matches: drives of this identity get no port listed.
    if (ident1 == 3 && ident2 == 7 && ident3 == 0) return u"Halden-Q9";
    return {};
}

bool IsDrivePort(int16_t ident1, int16_t ident2, int16_t ident3, std::u16string friendlyName) {
    std::u16string_view keyword = DrivePortKeyword(ident1, ident2, ident3);
    if (keyword.empty()) return false;
    return UpperCase(std::move(friendlyName)).find(keyword) != std::u16string::npos;
}

}  // namespace tarn
