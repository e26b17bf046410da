#pragma once
// A plain disk file held open for one operation: opened (optionally locked for
// exclusive use), read or written whole, and closed by its destructor. Errors are
// returned as the system's codes (errno values on Linux, GetLastError codes on
// Windows), 0 on success, so each layer can map them to its own codes.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

class File {
public:
    enum class Access {
        kRead,    // existing file, read only
        kCreate,  // created anew or truncated, read and write
    };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // With exclusive, an advisory lock keeps other users of the same file out while
    // this one is open; a file already locked gives EWOULDBLOCK. A created file is
    // truncated only once the lock is held.
    // With sharedReaders a file opened for reading shares its lock with other
    // readers, and still keeps every writer out.
    int Open(const std::string& utf8Path, Access access, bool exclusive, bool sharedReaders = false);
    bool IsOpen() const { return m_fd != -1; }

    int Size(uint64_t* size) const;
    // Reads up to count bytes at the current position; *got is 0 at end of file.
    int Read(void* buffer, size_t count, size_t* got);
    // Writes all count bytes, repeating short writes.
    int WriteAll(const void* data, size_t count);
    int Seek(uint64_t offset);
    int Truncate(uint64_t size);
    int Sync();
    // Closes the file and reports a failure the close itself found (deferred write errors).
    int Close();

private:
    intptr_t m_fd = -1;  // a descriptor, or a Windows HANDLE (INVALID_HANDLE_VALUE is -1)
};

}  // namespace tarn
