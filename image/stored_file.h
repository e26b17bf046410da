#pragma once
// The stored-file container: the 16-byte "IASH" header in front of an image or
// behind a PCF file, its CRC-32, the byte scrambling, and the gzip copy.
// Each operation reads its whole source into memory and closes it before it
// creates the destination, so source and destination may be the same path.
#include <cstdint>
#include <string>

namespace tarn {

// Result codes of the container operations; kStoredFileMessages gives their texts.
enum StoredFileResult : int {
    kStoredFail = 0,
    kStoredOK = 1,
    kStoredIDMatch = 2,
    kStoredIDNotMatch = 3,
    kStoredOpenError = 4,
    kStoredAllocFail = 5,
    kStoredContentError = 6,
    kStoredFormatError = 7,
    kStoredCRCError = 8,
    kStoredVersionError = 9,
};

extern const char16_t* const kStoredFileMessages[10];

// The message of a result code; "Fail" for a code outside the table.
const char16_t* StoredFileMessage(int code);

constexpr uint16_t kStoredHeaderSize = 16;
constexpr uint16_t kStoredFormatVersion = 1;
constexpr uint16_t kStoredType = 2;
constexpr uint16_t kImageIdentifier = 3;
constexpr uint16_t kPcfIdentifier = 5;

// The operations that write take an optional osError: when a file operation
// fails, it receives the operating system's errno value, so that the user can
// be told why (a full disk, a read-only directory).

// Writes source's bytes to destination with a header carrying identifier:
// before the content, or after it when trailing. 1, 4 or 5.
int AddHeader(const std::u16string& source, const std::u16string& destination, uint16_t identifier,
              bool trailing, int* osError = nullptr);

// Tests the leading header of path. 1, 4, 5, 6, 7, 8 or 9; type and identifier
// are set from the header on 1 and are 0 otherwise.
int CheckHeader(const std::u16string& path, uint16_t* type, uint16_t* identifier);

// Writes source's bytes after its leading header to destination. 1, 4, 5, 6 or 7.
int StripHeader(const std::u16string& source, const std::u16string& destination, int* osError = nullptr);

// Scrambles (or, applied again, restores) source's bytes into destination. 1, 4 or 5.
int ScrambleFile(const std::u16string& source, const std::u16string& destination, int* osError = nullptr);

// Without compress a scrambled copy (returns 1). With compress, scrambles source
// in place and writes it gzip-compressed to destination; returns the number of
// bytes compressed, 0 on any failure.
int CompressCopy(const std::u16string& source, const std::u16string& destination, bool compress,
                 int* osError = nullptr);

}  // namespace tarn
