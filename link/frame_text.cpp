#include "link/frame_text.h"

#include <cstdio>

#include "link/crc16.h"

namespace tarn {

namespace {

uint16_t Word(const uint8_t* frame, size_t at) {
    return static_cast<uint16_t>(frame[at] << 8 | frame[at + 1]);
}

std::string Field(const char* name, unsigned value, const char* format = " %s=%u") {
    char text[32];
    std::snprintf(text, sizeof text, format, name, value);
    return text;
}
std::string Hex(const char* name, unsigned value) {
    return Field(name, value, " %s=0x%04X");
}

// Station and function, then the fields the function's layout has room for,
// then the CRC verdict.
std::string Describe(const uint8_t* frame, size_t size, bool request) {
    if (size < 4) return "short frame";
    char head[48];
    std::snprintf(head, sizeof head, "station=%u function=0x%02X", frame[0], frame[1]);
    std::string text = head;
    const uint8_t function = frame[1];
    auto has = [size](size_t bytes) { return size >= bytes + 2; };  // + CRC
    // An exception reply is five bytes; every other reply of these functions is
    // longer (0xF0, 0xF5 and 0xF6 carry the exception bit in their own code).
    if (!request && (function & 0x80) && size == 5) {
        if (has(3)) text += Field("exception", frame[2], " %s=0x%02X");
    } else if (function == 0x03 || function == 0x67 || function == 0xF0) {
        if (request && has(6))
            text += Hex("address", Word(frame, 2)) + Field("count", Word(frame, 4));
        if (!request && has(3)) text += Field("count", frame[2] / 2u);
    } else if (function == 0x06) {
        if (has(6)) text += Hex("address", Word(frame, 2)) + Hex("value", Word(frame, 4));
    } else if (function == 0x10) {
        if (has(6)) text += Hex("address", Word(frame, 2)) + Field("count", Word(frame, 4));
    } else if (function == 0xF5 || function == 0xF6) {
        if (has(6)) {
            text += Field("area", frame[3]) + Hex("address", Word(frame, 4));
            const bool countByte = request && function == 0xF6;
            if (countByte && has(7)) text += Field("count", frame[6]);
            if (!countByte && frame[2] >= 3) text += Field("count", (frame[2] - 3u) / 2u);
        }
    }
    text += CrcMatches(frame, size - 2) ? " crc=ok" : " crc=bad";
    return text;
}

}  // namespace

std::string DescribeRequest(const uint8_t* frame, size_t size) {
    return Describe(frame, size, true);
}
std::string DescribeReply(const uint8_t* frame, size_t size) {
    return Describe(frame, size, false);
}

}  // namespace tarn
