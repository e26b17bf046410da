#pragma once
// Little-endian fields and counted strings on the streams of an image. Each
// returns the stream's HRESULT: S_OK when the whole field moved, S_FALSE when a
// read found the stream's end first, a failure otherwise.
#include <cstdint>
#include <string>
#include <type_traits>

#include "platform/storage/storage.h"

namespace tarn {

template <class T>
HRESULT ReadField(IStream* stream, T* field) {
    static_assert(std::is_integral_v<T>);
    uint8_t bytes[sizeof(T)] = {};
    ULONG got = 0;
    const HRESULT hr = stream->Read(bytes, sizeof bytes, &got);
    if (hr != S_OK) return hr;
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<U>(value | (static_cast<U>(bytes[i]) << (8 * i)));
    *field = static_cast<T>(value);
    return S_OK;
}

template <class T>
HRESULT WriteField(IStream* stream, T field) {
    static_assert(std::is_integral_v<T>);
    using U = std::make_unsigned_t<T>;
    const U value = static_cast<U>(field);
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    ULONG written = 0;
    return stream->Write(bytes, sizeof bytes, &written);
}

// u32 n, then n UTF-16 units. A count of 0 leaves `text` as it was. A count
// beyond what the stream holds fails without allocating for it.
HRESULT ReadCountedString(IStream* stream, std::u16string* text);
HRESULT WriteCountedString(IStream* stream, const std::u16string& text);

}  // namespace tarn
