#include "params/para_item.h"

#include <array>

#include "image/file_io.h"
#include "image/stream_fields.h"

namespace tarn {

namespace {

constexpr uint32_t kStoredWords = 16;
constexpr uint32_t kStoredValues = 4;

}  // namespace

// A limit or the default from two words of the record: 32 bits unless the
// parameter is unsigned 16-bit; sign-extended unless unsigned.
int64_t CParaItem::RecordNumber(int high) const {
    if (Is32Bit() || !IsUnsigned()) {
        const uint32_t bits = uint32_t{m_Cfg[high]} << 16 | m_Cfg[high + 1];
        return IsUnsigned() ? int64_t{bits} : int64_t{static_cast<int32_t>(bits)};
    }
    return m_Cfg[high + 1];
}

int64_t CParaItem::GetUpperLimit() const { return RecordNumber(0); }
int64_t CParaItem::GetLowerLimit() const { return RecordNumber(2); }
int64_t CParaItem::GetDefault() const { return RecordNumber(4); }

uint32_t CParaItem::RawValue(int axis) const {
    const uint64_t bits = static_cast<uint64_t>(m_Value[axis]);
    return (!Is32Bit() && IsUnsigned()) ? static_cast<uint32_t>(bits & 0xFFFF)
                                        : static_cast<uint32_t>(bits);
}

int64_t CParaItem::GetValue(int axis) const {
    const uint32_t raw = RawValue(axis);
    return IsUnsigned() ? int64_t{raw} : int64_t{static_cast<int32_t>(raw)};
}

void CParaItem::SetValue(int32_t value, int axis) {
    if (Is32Bit()) {
        m_Value[axis] = IsUnsigned() ? int64_t{static_cast<uint32_t>(value)} : int64_t{value};
    } else {
        const uint16_t low = static_cast<uint16_t>(value);
        m_Value[axis] = IsUnsigned() ? int64_t{low} : int64_t{static_cast<int16_t>(low)};
    }
}

void CParaItem::SetDefinition(const uint16_t record[16]) {
    for (int i = 0; i < 16; ++i) m_Cfg[i] = record[i];
    // Axis 0 starts at the default, when its text reads back within the limits.
    ParseValue(FormatDefault(), 0);
    m_OrgValue[0] = (!Is32Bit() && IsUnsigned())
                        ? int64_t{m_Cfg[15]}
                        : int64_t{uint32_t{m_Cfg[14]} << 16 | m_Cfg[15]};
}

HRESULT CParaItem::SaveToStorage(IStorage* storage) {
    static constexpr const char16_t* kNames[] = {u"ParaItemInfo", u"ParaCfg", u"ParaVal",
                                                 u"ParaOrgVal"};
    std::array<StgPtr<IStream>, 4> streams;
    HRESULT hr;
    for (size_t i = 0; i < streams.size(); ++i)
        if ((hr = storage->CreateStream(kNames[i], kImageCreateMode, 0, 0, streams[i].Out())) != S_OK)
            return hr;
    if ((hr = WriteField(streams[0].get(), m_nGroup)) != S_OK) return hr;
    if ((hr = WriteField(streams[0].get(), m_nItem)) != S_OK) return hr;
    if ((hr = WriteField(streams[0].get(), kStoredWords)) != S_OK) return hr;
    if ((hr = WriteField(streams[0].get(), kStoredValues)) != S_OK) return hr;
    for (uint16_t word : m_Cfg)
        if ((hr = WriteField(streams[1].get(), word)) != S_OK) return hr;
    for (int64_t value : m_Value)
        if ((hr = WriteField(streams[2].get(), static_cast<uint32_t>(value))) != S_OK) return hr;
    for (int64_t value : m_OrgValue)
        if ((hr = WriteField(streams[3].get(), static_cast<uint32_t>(value))) != S_OK) return hr;
    StgPtr<IStream> comment;
    if ((hr = storage->CreateStream(u"ParaCmt", kImageCreateMode, 0, 0, comment.Out())) != S_OK)
        return hr;
    return WriteCountedString(comment.get(), m_strComment);
}

HRESULT CParaItem::LoadFromStorage(IStorage* storage, int /*mode*/) {
    static constexpr const char16_t* kNames[] = {u"ParaItemInfo", u"ParaCfg", u"ParaVal",
                                                 u"ParaOrgVal"};
    std::array<StgPtr<IStream>, 4> streams;
    HRESULT hr;
    for (size_t i = 0; i < streams.size(); ++i)
        if ((hr = storage->OpenStream(kNames[i], nullptr, kImageOpenMode, 0, streams[i].Out())) != S_OK)
            return hr;
    uint32_t words = 0, values = 0;
    if ((hr = ReadField(streams[0].get(), &m_nGroup)) != S_OK) return hr;
    if ((hr = ReadField(streams[0].get(), &m_nItem)) != S_OK) return hr;
    if ((hr = ReadField(streams[0].get(), &words)) != S_OK) return hr;
    if ((hr = ReadField(streams[0].get(), &values)) != S_OK) return hr;
    // The record has 16 words: an item that claims more is refused.
    if (words > kStoredWords) return STG_E_DOCFILECORRUPT;
    for (uint32_t i = 0; i < words; ++i)
        if ((hr = ReadField(streams[1].get(), &m_Cfg[i])) != S_OK) return hr;
    // Only the low 32 bits are stored; the upper half keeps what it held.
    auto readLow = [](IStream* stream, int64_t* target) {
        uint32_t low = 0;
        const HRESULT r = ReadField(stream, &low);
        if (r == S_OK) *target = static_cast<int64_t>((static_cast<uint64_t>(*target) & ~uint64_t{0xFFFFFFFF}) | low);
        return r;
    };
    for (int64_t& value : m_Value)
        if ((hr = readLow(streams[2].get(), &value)) != S_OK) return hr;
    for (int64_t& value : m_OrgValue)
        if ((hr = readLow(streams[3].get(), &value)) != S_OK) return hr;
    StgPtr<IStream> comment;
    m_strComment.clear();
    if (storage->OpenStream(u"ParaCmt", nullptr, kImageOpenMode, 0, comment.Out()) != S_OK)
        return S_OK;  // an item without a comment
    return ReadCountedString(comment.get(), &m_strComment);
}

}  // namespace tarn
