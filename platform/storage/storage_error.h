#pragma once
// The structured-storage code for a system error code that File or
// ReplacementFile returned (0 gives S_OK); `otherwise` for codes without a
// storage meaning. (Kept apart from the Win32 headers, whose macros share
// these names.)
#include "platform/hresult.h"

namespace tarn {

HRESULT StorageErrorOf(int error, HRESULT otherwise);

// The other way round: the system error code that a failed storage call stands
// for, for OsErrorText; 0 when it has none.
int ErrnoFromStorageResult(HRESULT hr);

}  // namespace tarn
