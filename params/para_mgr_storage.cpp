// The manager's part of an image: "ParaMgrInfo" with the counts, and one
// sub-storage "ParaStorage<j>" per item, j counting all items from 0.
#include "image/stream_fields.h"
#include "params/para_mgr.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

std::u16string ItemStorageName(int j) { return u"ParaStorage" + Widen(std::to_string(j)); }

}  // namespace

HRESULT CParaMgr::SaveToStorage(IStorage* storage) {
    StgPtr<IStream> info;
    HRESULT hr = storage->CreateStream(u"ParaMgrInfo", kImageCreateMode, 0, 0, info.Out());
    if (hr != S_OK) return hr;
    for (int32_t field : {m_nAxes, m_nGroupCount, m_nExtCount1, m_nExtCount2})
        if ((hr = WriteField(info.get(), field)) != S_OK) return hr;
    int j = 0;
    for (int k = 0; k < GroupCount(); ++k) {
        if ((hr = WriteField(info.get(), m_pGroupCap[k])) != S_OK) return hr;
        for (CParaItem& item : m_ppItems[k]) {
            StgPtr<IStorage> sub;
            const std::u16string name = ItemStorageName(j++);
            if ((hr = storage->CreateStorage(name.c_str(), kImageCreateMode, 0, 0, sub.Out())) != S_OK)
                return hr;
            if ((hr = item.SaveToStorage(sub.get())) != S_OK) return hr;
        }
    }
    return S_OK;
}

HRESULT CParaMgr::LoadFromStorage(IStorage* storage, int mode) {
    ClearTable();
    StgPtr<IStream> info;
    HRESULT hr = storage->OpenStream(u"ParaMgrInfo", nullptr, kImageOpenMode, 0, info.Out());
    if (hr != S_OK) return hr;
    int32_t axes = 0, ordinary = 0, extra1 = 0, extra2 = 0;
    for (int32_t* field : {&axes, &ordinary, &extra1, &extra2})
        if ((hr = ReadField(info.get(), field)) != S_OK) return hr;
    // An image that claims impossible counts is damaged, not a reason to allocate.
    if (axes < 1 || axes > 4 || ordinary < 0 || extra1 < 0 || extra2 < 0 ||
        int64_t{ordinary} + extra1 + extra2 > kMaxGroups)
        return STG_E_DOCFILECORRUPT;
    m_nAxes = axes;
    m_nGroupCount = ordinary;
    m_nExtCount1 = extra1;
    m_nExtCount2 = extra2;
    const int total = ordinary + extra1 + extra2;
    int j = 0;
    for (int k = 0; k < total; ++k) {
        int32_t count = 0;
        if ((hr = ReadField(info.get(), &count)) != S_OK) return hr;
        if (count < 0 || count > kMaxItemsPerGroup) return STG_E_DOCFILECORRUPT;
        m_pGroupCap.push_back(count);
        m_ppItems.emplace_back(static_cast<size_t>(count));
        for (CParaItem& item : m_ppItems[k]) {
            StgPtr<IStorage> sub;
            const std::u16string name = ItemStorageName(j++);
            if ((hr = storage->OpenStorage(name.c_str(), nullptr, kImageOpenMode, nullptr, 0, sub.Out())) != S_OK)
                return hr;
            if ((hr = item.LoadFromStorage(sub.get(), mode)) != S_OK) return FAILED(hr) ? hr : STG_E_READFAULT;
            item.SetCmdImpl(m_pImpl);
            if (k >= m_nGroupCount) continue;
            // Each item of an ordinary group is logged once per axis, then an empty line.
            if (!m_hNotifyWnd) continue;
            for (int axis = 0; axis < m_nAxes; ++axis)
                Log(AxisPrefix(axis) + WidenFormat("P%d-%d=", item.m_nGroup, item.m_nItem) + item.FormatValue(axis));
            Log(u"");
        }
    }
    return S_OK;
}

}  // namespace tarn
