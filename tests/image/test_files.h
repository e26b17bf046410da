#pragma once
// Helpers of the image and app platform tests: a private temporary directory removed
// with its contents, whole-file access, filler bytes, little-endian fields, and
// whole streams of a compound file.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/storage/storage.h"
#include "platform/wide_string.h"
#include "tests/common/temp_dir.h"

namespace tarn::test {

constexpr DWORD kCreate = 0x1012;  // read-write, exclusive, replacing
constexpr DWORD kOpen = 0x10;      // read-only, exclusive

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
// Creates the folders on the way; takes bytes or text.
template <class Bytes>
void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Deterministic filler bytes that differ from stream to stream.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return bytes;
}

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline HRESULT WriteStream(IStorage* storage, const std::u16string& name,
                           const std::vector<uint8_t>& bytes) {
    StgPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(name.c_str(), kCreate, 0, 0, stream.Out());
    ULONG written = 0;
    if (hr == S_OK) hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    return hr == S_OK && written != bytes.size() ? E_FAIL : hr;
}
// The whole stream as its size tells; a failure or short read leaves a mark in the test.
inline std::vector<uint8_t> ReadStream(IStorage* storage, const std::u16string& name) {
    StgPtr<IStream> stream;
    STATSTG stat;
    if (storage->OpenStream(name.c_str(), nullptr, kOpen, 0, stream.Out()) != S_OK ||
        stream->Stat(&stat) != S_OK)
        return {'?'};
    std::vector<uint8_t> bytes(stat.size);
    ULONG got = 0;
    if (stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got) != S_OK ||
        got != bytes.size())
        bytes.push_back('?');
    return bytes;
}

}  // namespace tarn::test
