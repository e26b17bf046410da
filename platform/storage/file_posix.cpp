#include "platform/storage/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tarn {

File::~File() {
    Close();
}

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
    int flags = O_CLOEXEC;
    switch (access) {
        case Access::kRead:
            flags |= O_RDONLY;
            break;
        case Access::kCreate:
            flags |= O_RDWR | O_CREAT;
            break;
    }
    int fd;
    do {
        fd = ::open(utf8Path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    const int lock = sharedReaders && access == Access::kRead ? LOCK_SH : LOCK_EX;
    if (exclusive && ::flock(fd, lock | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    if (access == Access::kCreate && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    m_fd = fd;
    return 0;
}

int File::Size(uint64_t* size) const {
    struct stat st {};
    if (::fstat(m_fd, &st) != 0) return errno;
    *size = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::Read(void* buffer, size_t count, size_t* got) {
    ssize_t n;
    do {
        n = ::read(m_fd, buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        *got = 0;
        return errno;
    }
    *got = static_cast<size_t>(n);
    return 0;
}

int File::WriteAll(const void* data, size_t count) {
    auto* p = static_cast<const unsigned char*>(data);
    while (count > 0) {
        ssize_t n = ::write(m_fd, p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        count -= static_cast<size_t>(n);
    }
    return 0;
}

int File::Seek(uint64_t offset) {
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) return errno;
    return 0;
}

int File::Truncate(uint64_t size) {
    if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0) return errno;
    return 0;
}

int File::Sync() {
    if (::fdatasync(m_fd) != 0 && errno != EINVAL) return errno;
    return 0;
}

int File::Close() {
    if (m_fd < 0) return 0;
    int fd = std::exchange(m_fd, -1);
    // The lock goes with the descriptor.
    return ::close(fd) == 0 ? 0 : errno;
}

}  // namespace tarn
