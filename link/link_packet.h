#pragma once
// The wrapper in which the drive returns every RTU response:
//   0xFE, L, type, payload (L-3 bytes), X, S
// X and S cover the type byte and the payload.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarn {

constexpr uint8_t kLinkStartMark = 0xFE;
constexpr uint8_t kLinkMaxLength = 100;
constexpr uint8_t kLinkTypeRtuResponse = 0;

struct LinkChecks {
    uint8_t x;
    uint8_t s;
};

// X starts at 0xFF and becomes (X xor b) >> 1 for each byte; S is the byte sum.
LinkChecks ComputeLinkChecks(const uint8_t* bytes, size_t size);

// Builds a whole packet around `payload` (for the virtual drive and tests).
std::vector<uint8_t> WrapLinkPacket(uint8_t type, const std::vector<uint8_t>& payload);

}  // namespace tarn
