#include "link/crc16.h"

namespace tarn {

uint16_t ModbusCrc16(const uint8_t* data, size_t size) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void AppendCrc(uint8_t* frame, size_t size) {
    uint16_t crc = ModbusCrc16(frame, size);
    frame[size] = static_cast<uint8_t>(crc & 0xFF);
    frame[size + 1] = static_cast<uint8_t>(crc >> 8);
}

bool CrcMatches(const uint8_t* frame, size_t size) {
    return ModbusCrc16(frame, size) == frame[size] + 256u * frame[size + 1];
}

}  // namespace tarn
