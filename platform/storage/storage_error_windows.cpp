// GetLastError codes by number: <windows.h> would redefine the storage codes.
#include "platform/storage/storage_error.h"

namespace tarn {

HRESULT StorageErrorOf(int err, HRESULT otherwise) {
    switch (err) {
        case 0:
            return S_OK;
        case 2:  // ERROR_FILE_NOT_FOUND
        case 3:  // ERROR_PATH_NOT_FOUND
            return STG_E_FILENOTFOUND;
        case 5:    // ERROR_ACCESS_DENIED
        case 19:   // ERROR_WRITE_PROTECT
        case 32:   // ERROR_SHARING_VIOLATION
        case 33:   // ERROR_LOCK_VIOLATION
        case 267:  // ERROR_DIRECTORY
            return STG_E_ACCESSDENIED;
        case 123:  // ERROR_INVALID_NAME
        case 206:  // ERROR_FILENAME_EXCED_RANGE
            return STG_E_INVALIDNAME;
        case 39:   // ERROR_HANDLE_DISK_FULL
        case 112:  // ERROR_DISK_FULL
            return STG_E_MEDIUMFULL;
        case 8:   // ERROR_NOT_ENOUGH_MEMORY
        case 14:  // ERROR_OUTOFMEMORY
            return STG_E_INSUFFICIENTMEMORY;
        default:
            return otherwise;
    }
}

// Named after the errno version it stands in for: the result is a GetLastError code.
int ErrnoFromStorageResult(HRESULT hr) {
    switch (hr) {
        case STG_E_FILENOTFOUND: return 2;   // ERROR_FILE_NOT_FOUND
        case STG_E_ACCESSDENIED: return 5;   // ERROR_ACCESS_DENIED
        case STG_E_INVALIDNAME: return 123;  // ERROR_INVALID_NAME
        case STG_E_MEDIUMFULL: return 112;   // ERROR_DISK_FULL
        case STG_E_INSUFFICIENTMEMORY:
        case E_OUTOFMEMORY: return 8;        // ERROR_NOT_ENOUGH_MEMORY
        case STG_E_WRITEFAULT: return 29;    // ERROR_WRITE_FAULT
        case STG_E_READFAULT: return 30;     // ERROR_READ_FAULT
        default: return 0;
    }
}

}  // namespace tarn
