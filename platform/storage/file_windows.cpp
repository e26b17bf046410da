// Plain disk files on Win32: UTF-16 paths, exclusive use through the share mode.
#include <windows.h>

#include <utility>

#include "platform/storage/file.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

HANDLE H(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
int LastError() { return static_cast<int>(::GetLastError()); }

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

int File::Open(const std::string& utf8Path, Access access, bool exclusive, bool sharedReaders) {
    Close();
    // Exclusive: no one else may open the file meanwhile (a file in use gives
    // ERROR_SHARING_VIOLATION); otherwise others may read it. Shared readers
    // keep only writers out.
    const bool readersOnly = sharedReaders && access == Access::kRead;
    const DWORD share = exclusive && !readersOnly ? 0 : FILE_SHARE_READ;
    const DWORD rights = access == Access::kRead ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    // A created file is truncated only once it is held.
    const DWORD disposition = access == Access::kRead ? OPEN_EXISTING : OPEN_ALWAYS;
    HANDLE h = ::CreateFileW(WideFromUtf8(utf8Path).c_str(), rights, share, nullptr, disposition,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    if (::GetFileType(h) != FILE_TYPE_DISK) {
        ::CloseHandle(h);
        return ERROR_INVALID_PARAMETER;
    }
    if (access == Access::kCreate && !::SetEndOfFile(h)) {
        const int error = LastError();
        ::CloseHandle(h);
        return error;
    }
    m_fd = reinterpret_cast<intptr_t>(h);
    return 0;
}

int File::Size(uint64_t* size) const {
    LARGE_INTEGER n{};
    if (!::GetFileSizeEx(H(m_fd), &n)) return LastError();
    *size = static_cast<uint64_t>(n.QuadPart);
    return 0;
}

int File::Read(void* buffer, size_t count, size_t* got) {
    DWORD n = 0;
    const DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    if (!::ReadFile(H(m_fd), buffer, chunk, &n, nullptr)) {
        *got = 0;
        return LastError();
    }
    *got = n;
    return 0;
}

int File::WriteAll(const void* data, size_t count) {
    auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD n = 0;
        if (!::WriteFile(H(m_fd), p, chunk, &n, nullptr)) return LastError();
        if (n == 0) return ERROR_WRITE_FAULT;
        p += n;
        count -= n;
    }
    return 0;
}

int File::Seek(uint64_t offset) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(H(m_fd), to, nullptr, FILE_BEGIN)) return LastError();
    return 0;
}

int File::Truncate(uint64_t size) {
    LARGE_INTEGER here{}, zero{};
    if (!::SetFilePointerEx(H(m_fd), zero, &here, FILE_CURRENT)) return LastError();
    if (const int error = Seek(size)) return error;
    const int error = ::SetEndOfFile(H(m_fd)) ? 0 : LastError();
    ::SetFilePointerEx(H(m_fd), here, nullptr, FILE_BEGIN);
    return error;
}

int File::Sync() {
    if (!::FlushFileBuffers(H(m_fd))) return LastError();
    return 0;
}

int File::Close() {
    if (m_fd == -1) return 0;
    HANDLE h = H(std::exchange(m_fd, -1));
    return ::CloseHandle(h) ? 0 : LastError();
}

}  // namespace tarn
