#pragma once
// Structured storage: compound files with a root storage, named sub-storages and
// named byte streams, behind COM-shaped interfaces. Every operation returns an
// HRESULT; the first failure ends the caller's operation.
//
// Elements are reference counted: AddRef and Release as usual, and an element is
// deleted by its last Release. StgPtr holds one reference and releases it on scope
// exit. Open elements stay usable while their storage lives; once the root is
// released, the elements still open report STG_E_REVERTED.
//
// Only direct mode exists: whatever was written is in the file once the root is
// committed or released. Commit reports a failure to write the file; Release
// cannot, so a caller that must know commits first.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/hresult.h"

namespace tarn {

using ULONG = uint32_t;
using DWORD = uint32_t;

// Access, sharing and creation flags (STGM).
constexpr DWORD STGM_READ = 0x00000000;
constexpr DWORD STGM_WRITE = 0x00000001;
constexpr DWORD STGM_READWRITE = 0x00000002;
constexpr DWORD STGM_SHARE_DENY_NONE = 0x00000040;
constexpr DWORD STGM_SHARE_DENY_READ = 0x00000030;
constexpr DWORD STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr DWORD STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr DWORD STGM_CREATE = 0x00001000;
constexpr DWORD STGM_TRANSACTED = 0x00010000;

constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<int32_t>(0x80030001u);
constexpr HRESULT STG_E_REVERTED = static_cast<int32_t>(0x80030102u);
constexpr HRESULT STG_E_INVALIDFLAG = static_cast<int32_t>(0x800300FFu);

// Element types as the directory stores them.
constexpr DWORD STGTY_STORAGE = 1;
constexpr DWORD STGTY_STREAM = 2;

// Seek origins.
constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;

// Longest element name, in UTF-16 units.
constexpr size_t kMaxElementName = 31;

struct STATSTG {
    std::u16string name;
    DWORD type = 0;     // STGTY_STORAGE or STGTY_STREAM
    uint64_t size = 0;  // bytes of a stream, 0 for a storage
};

class IStream {
public:
    // Reads up to count bytes from the current position. S_OK when all count bytes
    // came, S_FALSE when the stream ended first (*read tells how many did).
    virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
    // Writes count bytes at the current position, growing the stream. S_OK when all
    // bytes are written.
    virtual HRESULT Write(const void* data, ULONG count, ULONG* written) = 0;
    virtual HRESULT Seek(int64_t move, DWORD origin, uint64_t* position) = 0;
    virtual HRESULT SetSize(uint64_t size) = 0;
    virtual HRESULT Stat(STATSTG* stat) = 0;
    // Direct mode: the stream's bytes are part of its compound file already.
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IStream() = default;
};

class IStorage {
public:
    // A created element replaces an existing element of that name (mode with
    // STGM_CREATE); without STGM_CREATE an existing name gives STG_E_FILEALREADYEXISTS.
    virtual HRESULT CreateStream(const char16_t* name, DWORD mode, DWORD reserved1, DWORD reserved2,
                                 IStream** stream) = 0;
    virtual HRESULT OpenStream(const char16_t* name, void* reserved1, DWORD mode, DWORD reserved2,
                               IStream** stream) = 0;
    virtual HRESULT CreateStorage(const char16_t* name, DWORD mode, DWORD reserved1,
                                  DWORD reserved2, IStorage** storage) = 0;
    virtual HRESULT OpenStorage(const char16_t* name, IStorage* priority, DWORD mode,
                                const char16_t* const* exclude, DWORD reserved,
                                IStorage** storage) = 0;
    // The storage's direct elements in the file format's name order.
    virtual HRESULT EnumElements(std::vector<STATSTG>* elements) = 0;
    virtual HRESULT DestroyElement(const char16_t* name) = 0;
    virtual HRESULT Stat(STATSTG* stat) = 0;
    // Writes the whole compound file. A failure to write (disk full, permissions)
    // is returned.
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IStorage() = default;
};

// Creates a compound file at path (0x1012: create, exclusive, read-write); with
// STGM_CREATE an existing file is replaced. The empty file is written at once.
HRESULT StgCreateDocfile(const char16_t* path, DWORD mode, DWORD reserved, IStorage** root);

// Opens a compound file for reading (0x10: exclusive, read); the file stays
// locked until the root is released.
HRESULT StgOpenStorage(const char16_t* path, IStorage* priority, DWORD mode,
                       const char16_t* const* exclude, DWORD reserved, IStorage** root);

// Opens compound-file bytes held in memory, read only.
HRESULT StgOpenStorageOnMemory(std::span<const uint8_t> bytes, IStorage** root);

// S_OK for a compound file, S_FALSE for any other file, a failure when the file
// cannot be read.
HRESULT StgIsStorageFile(const char16_t* path);

// The system error code (errno, or GetLastError on Windows) behind a failure
// that the disk or the operating system caused (a full disk, no permission), so
// that the user can be told why; 0 for every other result.
int ErrnoFromStorageResult(HRESULT hr);

// Holds one reference to an element and releases it when it goes.
template <class T>
class StgPtr {
public:
    StgPtr() = default;
    explicit StgPtr(T* p) : m_p(p) {}
    ~StgPtr() { Reset(); }
    StgPtr(StgPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    StgPtr& operator=(StgPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    StgPtr(const StgPtr&) = delete;
    StgPtr& operator=(const StgPtr&) = delete;

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Releases what is held and hands out the slot for an out-parameter.
    T** Out() {
        Reset();
        return &m_p;
    }
    void Reset() {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};

}  // namespace tarn
