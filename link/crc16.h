#pragma once
#include <cstddef>
#include <cstdint>

namespace tarn {

// Modbus CRC-16: initial 0xFFFF, reflected polynomial 0xA001, no final inversion.
// Sent low byte first. Zero bytes give 0xFFFF.
uint16_t ModbusCrc16(const uint8_t* data, size_t size);

// Appends the CRC of frame[0..size) at frame[size] (low) and frame[size+1] (high).
void AppendCrc(uint8_t* frame, size_t size);

// True when frame[size], frame[size+1] hold the CRC of frame[0..size).
bool CrcMatches(const uint8_t* frame, size_t size);

}  // namespace tarn
