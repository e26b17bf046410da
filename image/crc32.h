#pragma once
// CRC-32 of IEEE 802.3 in reflected form (polynomial 0xEDB88320, all bits set at
// the start, complemented at the end), from a 256-entry table built at start-up.
#include <cstddef>
#include <cstdint>

namespace tarn {

uint32_t Crc32(const uint8_t* data, size_t size);

}  // namespace tarn
