#include "image/stored_file.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "image/crc32.h"
#include "image/gzip_open.h"
#include "platform/storage/file.h"
#include "platform/wide_string.h"

namespace tarn {

const char16_t* const kStoredFileMessages[10] = {
    u"Fail",
    u"OK",
    u"ID match",
    u"ID is not match",
    u"Open file error",
    u"Allocate memory fail",
    u"The Content is error",
    u"File format error",
    u"CRC error",
    u"Version error",
};

const char16_t* StoredFileMessage(int code) {
    return code >= 0 && code < 10 ? kStoredFileMessages[code] : kStoredFileMessages[kStoredFail];
}

namespace {

constexpr uint8_t kMagic[4] = {'I', 'A', 'S', 'H'};
constexpr size_t kGzipPiece = 1024;

// The scrambling key: key bytes 0 and 1 from the 16-bit constant (low byte
// first), key byte 2 from the 8-bit constant.
constexpr uint16_t kScramble16 = 0x5A3C;
constexpr uint8_t kScramble8 = 0x96;

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool MagicMatches(const uint8_t* p) {
    for (int i = 0; i < 4; ++i) {
        uint8_t c = p[i];
        if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 'a' + 'A');
        if (c != kMagic[i]) return false;
    }
    return true;
}

// Keeps the operating system's reason of a failed file operation for the caller.
int Failed(int code, int error, int* osError) {
    if (osError) *osError = error;
    return code;
}

// Reads a whole existing file, with no writer meanwhile (other readers, such as
// two inspections of one image, share it): 1, 4 (cannot open, or the bytes stop
// coming before the end) or 5 (no memory for them).
int ReadWhole(const std::u16string& path, std::vector<uint8_t>* bytes, int* osError = nullptr) {
    File file;
    if (int error = file.Open(ToUtf8(path), File::Access::kRead, true, true))
        return Failed(kStoredOpenError, error, osError);
    uint64_t size = 0;
    if (int error = file.Size(&size)) return Failed(kStoredOpenError, error, osError);
    try {
        bytes->resize(size);
    } catch (const std::exception&) {
        return Failed(kStoredAllocFail, ENOMEM, osError);
    }
    size_t have = 0;
    while (have < size) {
        size_t got = 0;
        if (int error = file.Read(bytes->data() + have, size - have, &got))
            return Failed(kStoredOpenError, error, osError);
        if (got == 0) return Failed(kStoredOpenError, EIO, osError);  // the file shrank under us
        have += got;
    }
    return kStoredOK;
}

// Creates (or truncates) path and writes the parts in order: 1 or 4.
int WriteWhole(const std::u16string& path, std::initializer_list<std::span<const uint8_t>> parts,
               int* osError = nullptr) {
    File file;
    if (int error = file.Open(ToUtf8(path), File::Access::kCreate, true)) return Failed(kStoredOpenError, error, osError);
    for (auto part : parts) {
        if (int error = file.WriteAll(part.data(), part.size())) return Failed(kStoredOpenError, error, osError);
    }
    if (int error = file.Close()) return Failed(kStoredOpenError, error, osError);
    return kStoredOK;
}

void Scramble(std::vector<uint8_t>& bytes) {
    const uint8_t key[3] = {static_cast<uint8_t>(kScramble16),
                            static_cast<uint8_t>(kScramble16 >> 8), kScramble8};
    // The 3-byte key repeats every 24 bytes in step with 8-byte words, so the
    // bulk goes three words at a time.
    uint64_t block[3];
    uint8_t* keyBytes = reinterpret_cast<uint8_t*>(block);
    for (size_t i = 0; i < sizeof block; ++i) keyBytes[i] = key[i % 3];
    uint8_t* p = bytes.data();
    const size_t bulk = bytes.size() / sizeof block * sizeof block;
    for (size_t at = 0; at < bulk; at += sizeof block) {
        uint64_t words[3];
        std::memcpy(words, p + at, sizeof words);
        for (int w = 0; w < 3; ++w) words[w] ^= block[w];
        std::memcpy(p + at, words, sizeof words);
    }
    for (size_t i = bulk; i < bytes.size(); ++i) p[i] ^= key[i % 3];
}

// The header length that a sound header carries; anything else is not a header
// of this format.
bool HeaderLengthValid(const std::vector<uint8_t>& bytes) {
    uint16_t length = Get16(bytes.data() + 10);
    return length == kStoredHeaderSize && length <= bytes.size();
}

}  // namespace

int AddHeader(const std::u16string& source, const std::u16string& destination, uint16_t identifier,
              bool trailing, int* osError) {
    std::vector<uint8_t> content;
    int rc = ReadWhole(source, &content, osError);
    if (rc != kStoredOK) return rc;

    uint8_t header[kStoredHeaderSize] = {};
    if (trailing) {
        Put16(header + 4, kStoredHeaderSize);
        Put16(header + 6, identifier);
        const uint8_t fixed[4] = {0x02, 0x00, 0x00, 0x01};
        std::memcpy(header + 8, fixed, 4);
        std::memcpy(header + 12, kMagic, 4);
        Put32(header + 0, Crc32(header, sizeof header));
    } else {
        std::memcpy(header, kMagic, 4);
        Put16(header + 4, kStoredFormatVersion);
        Put16(header + 6, kStoredType);
        Put16(header + 8, identifier);
        Put16(header + 10, kStoredHeaderSize);
        Put32(header + 12, Crc32(header, sizeof header));
    }
    std::span<const uint8_t> head(header, sizeof header);
    std::span<const uint8_t> body(content);
    return trailing ? WriteWhole(destination, {body, head}, osError) : WriteWhole(destination, {head, body}, osError);
}

int CheckHeader(const std::u16string& path, uint16_t* type, uint16_t* identifier) {
    if (type) *type = 0;
    if (identifier) *identifier = 0;
    std::vector<uint8_t> bytes;
    int rc = ReadWhole(path, &bytes);
    if (rc != kStoredOK) return rc;
    if (bytes.size() < kStoredHeaderSize) return kStoredContentError;
    if (!MagicMatches(bytes.data()) || !HeaderLengthValid(bytes)) return kStoredFormatError;

    uint8_t header[kStoredHeaderSize];
    std::memcpy(header, bytes.data(), sizeof header);
    uint32_t stored = Get32(header + 12);
    Put32(header + 12, 0);
    if (Crc32(header, Get16(header + 10)) != stored) return kStoredCRCError;
    if (Get16(header + 4) != kStoredFormatVersion) return kStoredVersionError;
    if (type) *type = Get16(header + 6);
    if (identifier) *identifier = Get16(header + 8);
    return kStoredOK;
}

int StripHeader(const std::u16string& source, const std::u16string& destination, int* osError) {
    std::vector<uint8_t> bytes;
    int rc = ReadWhole(source, &bytes, osError);
    if (rc != kStoredOK) return rc;
    if (bytes.size() < kStoredHeaderSize) return kStoredContentError;
    if (!MagicMatches(bytes.data()) || !HeaderLengthValid(bytes)) return kStoredFormatError;
    return WriteWhole(destination,
                      {std::span<const uint8_t>(bytes).subspan(Get16(bytes.data() + 10))}, osError);
}

int ScrambleFile(const std::u16string& source, const std::u16string& destination, int* osError) {
    std::vector<uint8_t> bytes;
    int rc = ReadWhole(source, &bytes, osError);
    if (rc != kStoredOK) return rc;
    Scramble(bytes);
    return WriteWhole(destination, {std::span<const uint8_t>(bytes)}, osError);
}

int CompressCopy(const std::u16string& source, const std::u16string& destination, bool compress, int* osError) {
    if (!compress) {
        ScrambleFile(source, destination, osError);
        return 1;
    }
    if (ScrambleFile(source, source, osError) != kStoredOK) return 0;
    std::vector<uint8_t> bytes;
    if (ReadWhole(source, &bytes, osError) != kStoredOK) return 0;

    errno = 0;
    gzFile gz = OpenGzip(destination, "wb6");
    if (!gz) return Failed(0, errno ? errno : ENOMEM, osError);
    size_t written = 0;
    bool ok = true;
    while (ok && written < bytes.size()) {
        unsigned piece = static_cast<unsigned>(std::min(kGzipPiece, bytes.size() - written));
        ok = gzwrite(gz, bytes.data() + written, piece) == static_cast<int>(piece);
        if (ok) written += piece;
    }
    // gzclose flushes the last compressed block; a failure there loses the file too.
    errno = 0;
    if (gzclose(gz) != Z_OK || !ok) return Failed(0, errno ? errno : EIO, osError);
    return static_cast<int>(written);
}

}  // namespace tarn
