#include <cerrno>

#include "platform/storage/storage_error.h"

namespace tarn {

HRESULT StorageErrorOf(int err, HRESULT otherwise) {
    switch (err) {
        case 0:
            return S_OK;
        case ENOENT:
        case ENOTDIR:
            return STG_E_FILENOTFOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EWOULDBLOCK:
            return STG_E_ACCESSDENIED;
        case ENAMETOOLONG:
            return STG_E_INVALIDNAME;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return STG_E_MEDIUMFULL;
        case ENOMEM:
            return STG_E_INSUFFICIENTMEMORY;
        default:
            return otherwise;
    }
}

int ErrnoFromStorageResult(HRESULT hr) {
    switch (hr) {
        case STG_E_FILENOTFOUND: return ENOENT;
        case STG_E_ACCESSDENIED: return EACCES;
        case STG_E_INVALIDNAME: return ENAMETOOLONG;
        case STG_E_MEDIUMFULL: return ENOSPC;
        case STG_E_INSUFFICIENTMEMORY:
        case E_OUTOFMEMORY: return ENOMEM;
        case STG_E_WRITEFAULT:
        case STG_E_READFAULT: return EIO;
        default: return 0;
    }
}

}  // namespace tarn
