// The configuration's streams in an image: "Porperty", "X", "Y", "DV", "DH",
// "FCS" and "P" (with the Program part only), "MV", "MH", "TC".
#include <algorithm>

#include "image/cfg_exchange.h"
#include "image/stream_fields.h"
#include "params/para_mgr.h"

namespace tarn {

namespace {

// Writes a stream with `write` filling it; the first failure is returned.
template <class Fill>
HRESULT WriteStream(IStorage* root, const char16_t* name, Fill fill) {
    StgPtr<IStream> stream;
    HRESULT hr = root->CreateStream(name, kImageCreateMode, 0, 0, stream.Out());
    if (FAILED(hr)) return hr;
    return fill(stream.get());
}

template <class Read>
HRESULT ReadStream(IStorage* root, const char16_t* name, Read read) {
    StgPtr<IStream> stream;
    HRESULT hr = root->OpenStream(name, nullptr, kImageOpenMode, 0, stream.Out());
    if (FAILED(hr)) return hr;
    return read(stream.get());
}

// A counted block of `count` words: u32 byte length, then the words; words a
// buffer lacks are written as 0.
HRESULT WriteBlock(IStream* stream, const WordBuffer& words, int count) {
    count = std::max(count, 0);
    HRESULT hr = WriteField(stream, static_cast<uint32_t>(2 * count));
    if (hr != S_OK) return hr;
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(count), 0);
    for (int i = 0; words && i < count && i < static_cast<int>(words->size()); ++i) {
        bytes[2 * i] = static_cast<uint8_t>((*words)[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>((*words)[i] >> 8);
    }
    if (bytes.empty()) return S_OK;
    ULONG written = 0;
    return stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
}

// A stored word count: a negative one marks a damaged image.
HRESULT ReadCount(IStream* stream, int16_t* count) {
    const HRESULT hr = ReadField(stream, count);
    if (hr == S_OK && *count < 0) return STG_E_DOCFILECORRUPT;
    return hr;
}

// A counted block into `words`, which holds `capacity` words: a block longer
// than the buffer sized for it marks a damaged image.
HRESULT ReadBlock(IStream* stream, uint16_t* words, size_t capacity) {
    uint32_t length = 0;
    HRESULT hr = ReadField(stream, &length);
    if (hr != S_OK) return hr;
    if (length > 2 * capacity) return STG_E_DOCFILECORRUPT;
    std::vector<uint8_t> bytes(length);
    ULONG got = 0;
    if (length && (hr = stream->Read(bytes.data(), length, &got)) != S_OK) return hr;
    for (uint32_t i = 0; i + 1 < length; i += 2)
        words[i / 2] = static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8);
    return S_OK;
}

HRESULT ReadSizedBlock(IStream* stream, WordBuffer& buffer, int16_t count) {
    buffer.emplace(static_cast<size_t>(count), 0);
    return ReadBlock(stream, buffer->data(), buffer->size());
}

}  // namespace

HRESULT CCfgExchange::SaveToStorage(IStorage* root) {
    HRESULT hr;
    if (IncludePara) {
        if (!ParaMgr) return E_FAIL;
        if (FAILED(hr = ParaMgr->SaveToStorage(root))) return hr;
    }
    if (!root) return E_FAIL;
    auto word = [](IStream* s, int16_t value) { return WriteField(s, value); };
    hr = WriteStream(root, u"Porperty", [&](IStream* s) {
        HRESULT r;
        for (uint32_t field : {FormatVersion, IncludeProgramDV, IncludeDH, IncludeMH, IncludePara})
            if (FAILED(r = WriteField(s, field))) return r;
        if (FAILED(r = WriteCountedString(s, PartNumber))) return r;
        return WriteCountedString(s, MachineKey);
    });
    if (FAILED(hr)) return hr;
    if (FAILED(hr = WriteStream(root, u"X", [&](IStream* s) { return word(s, SectionX_Size.image); })))
        return hr;
    if (FAILED(hr = WriteStream(root, u"Y", [&](IStream* s) { return word(s, SectionY_Size.image); })))
        return hr;
    hr = WriteStream(root, u"DV", [&](IStream* s) {
        HRESULT r;
        for (int16_t field : {SectionDV_Size.image, AutoDV_StartAddr.image, FAT_TableVersion.image,
                              ActualDV_Size.image})
            if (FAILED(r = word(s, field))) return r;
        if (ActualDV_Size.image > 0 && FAILED(r = WriteBlock(s, DVData, ActualDV_Size.image))) return r;
        if (FAILED(r = word(s, ActualAutoDV_Size.image))) return r;
        return WriteBlock(s, AutoDVData, ActualAutoDV_Size.image);
    });
    if (FAILED(hr)) return hr;
    hr = WriteStream(root, u"DH", [&](IStream* s) {
        const HRESULT r = word(s, SectionDH_Size.image);
        return FAILED(r) ? r : WriteBlock(s, DHData, SectionDH_Size.image);
    });
    if (FAILED(hr)) return hr;
    if (IncludeProgramDV) {
        hr = WriteStream(root, u"FCS", [&](IStream* s) {
            const HRESULT r = WriteField(s, static_cast<uint16_t>(ProgramChecksum & 0xFFFF));
            return FAILED(r) ? r : WriteField(s, static_cast<uint16_t>(ProgramChecksum >> 16));
        });
        if (FAILED(hr)) return hr;
        hr = WriteStream(root, u"P", [&](IStream* s) {
            const HRESULT r = word(s, SectionP_Size.image);
            return FAILED(r) ? r : WriteBlock(s, ProgramData, SectionP_Size.image);
        });
        if (FAILED(hr)) return hr;
    }
    if (FAILED(hr = WriteStream(root, u"MV", [&](IStream* s) { return word(s, SectionMV_Size.image); })))
        return hr;
    hr = WriteStream(root, u"MH", [&](IStream* s) {
        if (!MHData) return WriteField(s, uint16_t{0});
        HRESULT r = WriteField(s, uint16_t{128});
        if (FAILED(r)) return r;
        const WordBuffer words(std::vector<uint16_t>(MHData->begin(), MHData->end()));
        return WriteBlock(s, words, 128);
    });
    if (FAILED(hr)) return hr;
    return WriteStream(root, u"TC", [&](IStream* s) {
        HRESULT r;
        for (int16_t field : {SectionT_Size.image, SectionTU_Size.image, SectionTUD_Size.image})
            if (FAILED(r = word(s, field))) return r;
        return S_OK;
    });
}

HRESULT CCfgExchange::LoadFromStorage(IStorage* root, int /*mode*/) {
    if (!root) return E_FAIL;
    // A stream that ends early (S_FALSE) ends the load like a failure: the
    // image is incomplete.
    auto size = [](IStream* s, SizePair& pair) { return ReadField(s, &pair.image); };
    HRESULT hr = ReadStream(root, u"Porperty", [&](IStream* s) {
        HRESULT r;
        for (uint32_t* field : {&FormatVersion, &IncludeProgramDV, &IncludeDH, &IncludeMH, &IncludePara})
            if ((r = ReadField(s, field)) != S_OK) return r;
        if ((r = ReadCountedString(s, &PartNumber)) != S_OK) return r;
        return ReadCountedString(s, &MachineKey);
    });
    if (hr != S_OK) return hr;
    if (!ParaMgr) return S_FALSE;
    if (IncludePara && (hr = ParaMgr->LoadFromStorage(root, 0)) != S_OK) return hr;
    if ((hr = ReadStream(root, u"X", [&](IStream* s) { return size(s, SectionX_Size); })) != S_OK) return hr;
    if ((hr = ReadStream(root, u"Y", [&](IStream* s) { return size(s, SectionY_Size); })) != S_OK) return hr;
    hr = ReadStream(root, u"DV", [&](IStream* s) {
        HRESULT r;
        for (SizePair* pair : {&SectionDV_Size, &AutoDV_StartAddr, &FAT_TableVersion})
            if ((r = size(s, *pair)) != S_OK) return r;
        if ((r = ReadCount(s, &ActualDV_Size.image)) != S_OK) return r;
        DVData.emplace(static_cast<size_t>(ActualDV_Size.image), 0);
        if (ActualDV_Size.image > 0 && (r = ReadBlock(s, DVData->data(), DVData->size())) != S_OK)
            return r;
        if ((r = ReadCount(s, &ActualAutoDV_Size.image)) != S_OK) return r;
        return ReadSizedBlock(s, AutoDVData, ActualAutoDV_Size.image);
    });
    if (hr != S_OK) return hr;
    hr = ReadStream(root, u"DH", [&](IStream* s) {
        const HRESULT r = ReadCount(s, &SectionDH_Size.image);
        return r != S_OK ? r : ReadSizedBlock(s, DHData, SectionDH_Size.image);
    });
    if (hr != S_OK) return hr;
    if (IncludeProgramDV) {
        hr = ReadStream(root, u"FCS", [&](IStream* s) {
            uint16_t low = 0, high = 0;
            HRESULT r;
            if ((r = ReadField(s, &low)) != S_OK || (r = ReadField(s, &high)) != S_OK) return r;
            ProgramChecksum = uint32_t{high} << 16 | low;
            return S_OK;
        });
        if (hr != S_OK) return hr;
        hr = ReadStream(root, u"P", [&](IStream* s) {
            const HRESULT r = ReadCount(s, &SectionP_Size.image);
            return r != S_OK ? r : ReadSizedBlock(s, ProgramData, SectionP_Size.image);
        });
        if (hr != S_OK) return hr;
    }
    if ((hr = ReadStream(root, u"MV", [&](IStream* s) { return size(s, SectionMV_Size); })) != S_OK)
        return hr;
    hr = ReadStream(root, u"MH", [&](IStream* s) {
        uint16_t present = 0;
        HRESULT r = ReadField(s, &present);
        MHData.reset();
        if (r != S_OK || present == 0) return r;
        MHData.emplace();
        MHData->fill(0);
        return ReadBlock(s, MHData->data(), MHData->size());
    });
    if (hr != S_OK) return hr;
    return ReadStream(root, u"TC", [&](IStream* s) {
        HRESULT r;
        for (SizePair* pair : {&SectionT_Size, &SectionTU_Size, &SectionTUD_Size})
            if ((r = size(s, *pair)) != S_OK) return r;
        return S_OK;
    });
}

}  // namespace tarn
