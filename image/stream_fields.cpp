#include "image/stream_fields.h"

#include <vector>

namespace tarn {

HRESULT ReadCountedString(IStream* stream, std::u16string* text) {
    uint32_t count = 0;
    HRESULT hr = ReadField(stream, &count);
    if (hr != S_OK) return hr;
    if (count == 0) return S_OK;
    // The count must fit in what is left of the stream.
    STATSTG stat;
    uint64_t position = 0;
    if (FAILED(hr = stream->Stat(&stat))) return hr;
    if (FAILED(hr = stream->Seek(0, STREAM_SEEK_CUR, &position))) return hr;
    if (position > stat.size || uint64_t{count} * 2 > stat.size - position)
        return STG_E_DOCFILECORRUPT;
    std::vector<uint8_t> bytes(size_t{count} * 2);
    ULONG got = 0;
    if ((hr = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got)) != S_OK) return hr;
    std::u16string result(count, u'\0');
    for (uint32_t i = 0; i < count; ++i)
        result[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    *text = std::move(result);
    return S_OK;
}

HRESULT WriteCountedString(IStream* stream, const std::u16string& text) {
    HRESULT hr = WriteField(stream, static_cast<uint32_t>(text.size()));
    if (hr != S_OK || text.empty()) return hr;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    ULONG written = 0;
    return stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
}

}  // namespace tarn
