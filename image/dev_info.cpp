#include "image/dev_info.h"

#include <type_traits>

namespace tarn {
namespace {

// Reads one little-endian field; a negative result ends the load.
template <class T>
HRESULT ReadField(IStream* stream, T* field) {
    uint8_t bytes[sizeof(T)] = {};
    ULONG got = 0;
    HRESULT hr = stream->Read(bytes, sizeof bytes, &got);
    if (FAILED(hr)) return hr;
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<U>(value | (static_cast<U>(bytes[i]) << (8 * i)));
    *field = static_cast<T>(value);
    return hr;
}

template <class T>
HRESULT WriteField(IStream* stream, T field) {
    using U = std::make_unsigned_t<T>;
    U value = static_cast<U>(field);
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return stream->Write(bytes, sizeof bytes, nullptr);
}

}  // namespace

void CDevInfo::SetDefaults() {
    m_wIdent1 = 3;
    m_wIdent2 = 6;
    m_wIdent3 = 5;
    m_nMainVersion = 3005;
    m_nSubVersion = 11;
    m_nReserved = 0;
    m_nExtension = 0;
}

HRESULT CDevInfo::LoadFromStorage(IStorage* storage, int /*mode*/) {
    StgPtr<IStream> stream;
    if (!storage ||
        storage->OpenStream(kStreamName, nullptr, kImageOpenMode, 0, stream.Out()) != S_OK) {
        SetDefaults();
        return S_OK;
    }
    HRESULT hr;
    if (FAILED(hr = ReadField(stream.get(), &m_wIdent1))) return hr;
    if (FAILED(hr = ReadField(stream.get(), &m_wIdent2))) return hr;
    if (FAILED(hr = ReadField(stream.get(), &m_wIdent3))) return hr;
    if (FAILED(hr = ReadField(stream.get(), &m_nMainVersion))) return hr;
    if (FAILED(hr = ReadField(stream.get(), &m_nSubVersion))) return hr;
    if (FAILED(hr = ReadField(stream.get(), &m_nReserved))) return hr;
    return ReadField(stream.get(), &m_nExtension);
}

HRESULT CDevInfo::SaveToStorage(IStorage* storage) {
    if (!storage) return E_FAIL;
    StgPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(kStreamName, kImageCreateMode, 0, 0, stream.Out());
    if (hr != S_OK) return hr;
    if ((hr = WriteField(stream.get(), m_wIdent1)) != S_OK) return hr;
    if ((hr = WriteField(stream.get(), m_wIdent2)) != S_OK) return hr;
    if ((hr = WriteField(stream.get(), m_wIdent3)) != S_OK) return hr;
    if ((hr = WriteField(stream.get(), m_nMainVersion)) != S_OK) return hr;
    if ((hr = WriteField(stream.get(), m_nSubVersion)) != S_OK) return hr;
    if ((hr = WriteField(stream.get(), m_nReserved)) != S_OK) return hr;
    return WriteField(stream.get(), m_nExtension);
}

}  // namespace tarn
