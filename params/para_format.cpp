// A parameter's display text and the reading of text back into a value. Text is
// formatted and read in the C locale's way (a '.' decimal point) whatever the
// user's locale, so that images and logs read the same everywhere.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "params/para_item.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

double PowerOfTen(int k) { return std::pow(10.0, k); }

// "%0.kf" of value.
std::u16string Fixed(double value, int decimals) {
    char buf[400];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) return u"";
    return Widen(std::string_view(buf, static_cast<size_t>(end - buf)));
}

std::u16string Hex(uint32_t bits, bool wide) {
    char buf[16];
    if (wide)
        std::snprintf(buf, sizeof buf, "0x%08X", bits);
    else
        std::snprintf(buf, sizeof buf, "0x%04hX", static_cast<unsigned short>(bits));
    return Widen(buf);
}

// Reading as the runtime's wide-text conversions do: leading blanks and a sign
// are taken, conversion stops at the first character that does not fit, text
// without a number gives 0, and only a number out of range is an error.
std::string Ascii(const std::u16string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    for (; i < text.size() && text[i] < 0x80; ++i) out.push_back(static_cast<char>(text[i]));
    return out;
}

bool ReadInteger(const std::u16string& text, int32_t& value) {
    std::string s = Ascii(text);
    const char* first = s.data();
    const char* last = s.data() + s.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) negative = *first++ == '-';
    // Text such as "0x001A" (the display of a hexadecimal parameter) is read as
    // hexadecimal, so that its default reads back as itself.
    int base = 10;
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        first += 2;
        base = 16;
    }
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(first, last, magnitude, base);
    if (ec == std::errc::invalid_argument) {
        value = 0;
        return true;
    }
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    if (ec == std::errc::result_out_of_range || magnitude > limit) return false;
    const int64_t signedValue = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    value = static_cast<int32_t>(static_cast<uint32_t>(signedValue));
    return true;
}

bool ReadFloating(const std::u16string& text, double& value) {
    std::string s = Ascii(text);
    const char* first = s.data();
    const char* last = s.data() + s.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) negative = *first++ == '-';
    if (first != last && (*first == '+' || *first == '-')) {
        value = 0;  // a second sign: no number
        return true;
    }
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::invalid_argument) {
        value = 0;
        return true;
    }
    if (ec == std::errc::result_out_of_range) return false;
    if (negative) value = -value;
    return true;
}

}  // namespace

std::u16string CParaItem::FormatValue(int axis) const {
    const uint16_t a = Attributes();
    const int d = a & kAttrDecimals;
    const int k = d > 0 ? d - 1 : 0;
    if (IsP5_19()) {
        const auto low = static_cast<int32_t>(static_cast<uint32_t>(GetValue(axis)));
        return Is32Bit() ? Fixed(low / 1e6, 6) : Fixed(low / PowerOfTen(k), k);
    }
    if (a & kAttrHex) return Hex(static_cast<uint32_t>(m_Value[axis]), Is32Bit());
    if (d >= 2) {
        const auto x = static_cast<int32_t>(RawValue(axis));
        return Fixed(x / PowerOfTen(d - 1), d - 1);
    }
    return Widen(std::to_string(GetValue(axis)));
}

std::u16string CParaItem::FormatDefault() const {
    const uint16_t a = Attributes();
    const int d = a & kAttrDecimals;
    if (a & kAttrDefaultDependsOnDevice) return u"Depend on Devices";
    if (a & kAttrHex) return Hex(static_cast<uint32_t>(GetDefault()), Is32Bit());
    if (d >= 2) {
        // The default passes through single precision before it is scaled.
        const double single = static_cast<float>(static_cast<double>(GetDefault()));
        return Fixed(single / PowerOfTen(d - 1), d - 1);
    }
    return Widen(std::to_string(GetDefault()));
}

int CParaItem::ParseValue(const std::u16string& text, int axis) {
    const uint16_t a = Attributes();
    const int d = a & kAttrDecimals;
    int64_t v = 0;
    if (IsP5_19() || (!(a & kAttrHex) && d >= 2)) {
        double number = 0;
        if (!ReadFloating(text, number)) return kParseOutOfRange;
        const double scaled = number * PowerOfTen(IsP5_19() ? 6 : d - 1);
        if (!(std::fabs(scaled) < 9.2e18)) return kParseOutOfRange;
        v = static_cast<int64_t>(scaled);  // truncated toward zero
    } else {
        int32_t number = 0;
        if (!ReadInteger(text, number)) return kParseOutOfRange;
        v = (a & kAttrHex) ? int64_t{static_cast<uint32_t>(number)} : int64_t{number};
    }
    if (v < GetLowerLimit()) return kParseBelowLower;
    if (v > GetUpperLimit()) return kParseAboveUpper;
    SetValue(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))), axis);
    return kParseStored;
}

}  // namespace tarn
