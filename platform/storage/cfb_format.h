#pragma once
// On-disk constants of the compound file format and little-endian field access.
#include <cstddef>
#include <cstdint>

namespace tarn::cfb {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

constexpr size_t kHeaderSize = 512;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kDirEntrySize = 128;
constexpr uint32_t kMiniSectorShift = 6;
constexpr uint32_t kMiniSectorSize = 1u << kMiniSectorShift;
constexpr uint32_t kMiniStreamCutoff = 4096;

// Header field offsets.
constexpr size_t kHdrMinorVersion = 0x18;
constexpr size_t kHdrMajorVersion = 0x1A;
constexpr size_t kHdrByteOrder = 0x1C;
constexpr size_t kHdrSectorShift = 0x1E;
constexpr size_t kHdrMiniSectorShift = 0x20;
constexpr size_t kHdrNumDirSectors = 0x28;
constexpr size_t kHdrNumFatSectors = 0x2C;
constexpr size_t kHdrFirstDirSector = 0x30;
constexpr size_t kHdrMiniCutoff = 0x38;
constexpr size_t kHdrFirstMiniFatSector = 0x3C;
constexpr size_t kHdrNumMiniFatSectors = 0x40;
constexpr size_t kHdrFirstDifatSector = 0x44;
constexpr size_t kHdrNumDifatSectors = 0x48;
constexpr size_t kHdrDifat = 0x4C;

constexpr uint16_t kByteOrderMark = 0xFFFE;
constexpr uint16_t kMinorVersion = 0x003E;

// Directory entry field offsets.
constexpr size_t kDeName = 0x00;
constexpr size_t kDeNameLength = 0x40;
constexpr size_t kDeType = 0x42;
constexpr size_t kDeColor = 0x43;
constexpr size_t kDeLeft = 0x44;
constexpr size_t kDeRight = 0x48;
constexpr size_t kDeChild = 0x4C;
constexpr size_t kDeStart = 0x74;
constexpr size_t kDeSize = 0x78;

constexpr uint8_t kTypeUnused = 0;
constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kColorRed = 0;
constexpr uint8_t kColorBlack = 1;

// Special sector numbers; every real sector number is at most kMaxRegSect.
constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

inline uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}
inline void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put64(uint8_t* p, uint64_t v) {
    Put32(p, static_cast<uint32_t>(v));
    Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace tarn::cfb
