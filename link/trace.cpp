#include "link/trace.h"

#include <algorithm>

namespace tarn {

std::u16string HexTrace(const uint8_t* bytes, size_t size) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    constexpr size_t kMaxTracedBytes = 66;
    std::u16string out;
    size = std::min(size, kMaxTracedBytes);
    out.reserve(size * 3);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0x0F]);
        out.push_back(u' ');
    }
    return out;
}

}  // namespace tarn
