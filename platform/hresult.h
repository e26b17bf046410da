#pragma once
// Result codes of the storage layer, with the numeric values callers compare against.
#include <cstdint>

namespace tarn {

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<int32_t>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<int32_t>(0x8007000Eu);
constexpr HRESULT STG_E_FILENOTFOUND = static_cast<int32_t>(0x80030002u);
constexpr HRESULT STG_E_ACCESSDENIED = static_cast<int32_t>(0x80030005u);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = static_cast<int32_t>(0x80030008u);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<int32_t>(0x8003001Du);
constexpr HRESULT STG_E_READFAULT = static_cast<int32_t>(0x8003001Eu);
constexpr HRESULT STG_E_FILEALREADYEXISTS = static_cast<int32_t>(0x80030050u);
constexpr HRESULT STG_E_INVALIDPARAMETER = static_cast<int32_t>(0x80030057u);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<int32_t>(0x80030070u);
constexpr HRESULT STG_E_INVALIDHEADER = static_cast<int32_t>(0x800300FBu);
constexpr HRESULT STG_E_INVALIDNAME = static_cast<int32_t>(0x800300FCu);
constexpr HRESULT STG_E_DOCFILECORRUPT = static_cast<int32_t>(0x80030109u);

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

}  // namespace tarn
