#pragma once
// The storage interface of everything that lives in an image: each object loads
// itself from and saves itself into a storage of the compound file.
#include "platform/hresult.h"
#include "platform/storage/storage.h"

namespace tarn {

class IFileIO {
public:
    virtual ~IFileIO() = default;
    // mode is passed through by the image load; the objects of this program ignore it.
    virtual HRESULT LoadFromStorage(IStorage* storage, int mode) = 0;
    virtual HRESULT SaveToStorage(IStorage* storage) = 0;
};

class IBasicDataIO : public IFileIO {
public:
    // Three slots kept for the interface's layout; every implementation returns 0.
    virtual int Reserved1() { return 0; }
    virtual int Reserved2() { return 0; }
    virtual int Reserved3() { return 0; }
};

// Modes of the elements of an image: created (create, exclusive, read-write)
// and opened (exclusive, read).
constexpr DWORD kImageCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;  // 0x1012
constexpr DWORD kImageOpenMode = STGM_SHARE_EXCLUSIVE | STGM_READ;                       // 0x10

}  // namespace tarn
