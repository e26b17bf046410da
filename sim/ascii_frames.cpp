#include "sim/ascii_frames.h"

#include <cstdio>

namespace tarn::sim {

namespace {

constexpr size_t kMaxLine = 600;

int HexDigit(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

uint8_t AsciiLrc(const Bytes& bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    return static_cast<uint8_t>(-sum);
}

AsciiStatus FindAsciiRequest(const Bytes& buffer, size_t& consumed, Bytes& frame) {
    if (buffer.empty()) return AsciiStatus::Incomplete;
    if (buffer[0] != ':') {
        consumed = 1;
        return AsciiStatus::Skip;
    }
    size_t end = 1;
    while (end < buffer.size() && buffer[end] != '\n') ++end;
    if (end == buffer.size()) {
        if (buffer.size() <= kMaxLine) return AsciiStatus::Incomplete;
        consumed = buffer.size();
        return AsciiStatus::Skip;
    }
    consumed = end + 1;
    // ":" pairs CR LF, at least the station, the function and the LRC.
    if (end < 8 || buffer[end - 1] != '\r' || (end - 2) % 2) return AsciiStatus::Skip;
    Bytes bytes;
    for (size_t i = 1; i + 1 < end; i += 2) {
        const int hi = HexDigit(buffer[i]), lo = HexDigit(buffer[i + 1]);
        if (hi < 0 || lo < 0) return AsciiStatus::Skip;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    uint8_t sum = 0;
    for (uint8_t b : bytes) sum = static_cast<uint8_t>(sum + b);
    if (sum != 0) return AsciiStatus::Skip;
    bytes.pop_back();  // the LRC
    frame = std::move(bytes);
    return AsciiStatus::Complete;
}

std::string AsciiReplyText(const Bytes& rtuReply) {
    const Bytes bytes(rtuReply.begin(), rtuReply.end() - 2);
    std::string text = ":";
    char hex[3];
    for (uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", AsciiLrc(bytes));
    text += hex;
    text += "\r\n";
    return text;
}

}  // namespace tarn::sim
