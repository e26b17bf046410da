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

std::u16string TextTrace(const uint8_t* bytes, size_t size) {
    constexpr size_t kMaxTraceChars = 199;
    std::u16string out;
    for (size_t i = 0; i < size && bytes[i] != 0; ++i) {
        const char16_t* piece = bytes[i] == '\r' ? u"\\CR" : bytes[i] == '\n' ? u"\\LF" : nullptr;
        std::u16string text = piece ? std::u16string(piece) : std::u16string(1, bytes[i]);
        if (out.size() + text.size() > kMaxTraceChars) break;
        out += text;
    }
    return out;
}

std::u16string ExchangeTrace(std::u16string (*notation)(const uint8_t*, size_t), const uint8_t* request,
                             size_t requestSize, const uint8_t* reply, size_t replySize) {
    return u"CMD : " + notation(request, requestSize) + u"\nIN  : " + notation(reply, replySize) + u"\n";
}

}  // namespace tarn
