#include "image/dev_info.h"

#include "image/stream_fields.h"

namespace tarn {

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
