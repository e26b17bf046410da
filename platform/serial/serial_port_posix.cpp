// Serial port on Linux ttys and pseudo-terminals. termios2 is used throughout so
// that every rate, with or without a standard constant, is set the same way;
// that is why <termios.h> is not included here.
#include <asm/termbits.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>

#include "platform/serial/serial_port.h"

namespace tarn {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll(); -1 when there is no deadline.
int MillisLeft(const Clock::time_point* deadline) {
    if (!deadline) return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Fail(int error) {
    m_lastError = error;
    return false;
}

bool SerialPort::Open(const std::string& devicePath) {
    if (IsOpen()) return Fail(EBUSY);
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    // The advisory lock keeps out other tools even when they run as root, whom
    // the tty's exclusive mode does not stop.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return Fail(error);
    }
    // Exclusive mode keeps out everyone but root; for root, a port that another
    // program has already made exclusive is as busy as for everyone else.
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        ::close(fd);
        return Fail(EBUSY);
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        int error = errno;  // ENOTTY: not a serial device at all
        ::close(fd);
        return Fail(error);
    }
    m_fd = fd;
    m_lastError = 0;
    return true;
}

void SerialPort::ReleaseExclusive() {
    const int fd = m_fd.load();
    if (fd >= 0) ::ioctl(fd, TIOCNXCL);
}

void SerialPort::Close() {
    if (m_fd < 0) return;
    // On a pseudo-terminal the exclusive flag outlives the descriptor.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

bool SerialPort::ApplyLine(const LineSettings& line) {
    if (!IsOpen()) return Fail(EBADF);
    struct termios2 tio {};
    if (::ioctl(m_fd, TCGETS2, &tio) != 0) return Fail(errno);

    tio.c_iflag = line.parity == Parity::None ? 0 : INPCK;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tcflag_t size = line.dataBits == 5 ? CS5 : line.dataBits == 6 ? CS6 : line.dataBits == 7 ? CS7 : CS8;
    tio.c_cflag = size | CREAD | CLOCAL;
    if (line.stopBits == 2) tio.c_cflag |= CSTOPB;
    if (line.parity != Parity::None) tio.c_cflag |= PARENB;
    if (line.parity == Parity::Odd) tio.c_cflag |= PARODD;
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = line.baud;
    tio.c_ospeed = line.baud;
    // With MIN 1 a read of an empty port fails with EAGAIN (the descriptor is
    // non-blocking), so that a read of 0 bytes always means a hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::ioctl(m_fd, TCSETS2, &tio) != 0) return Fail(errno);

    // DTR and RTS inactive; a pseudo-terminal has no modem lines and refuses.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(m_fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL) {
        return Fail(errno);
    }
    return true;
}

bool SerialPort::SetQueueSizes(uint32_t, uint32_t) { return IsOpen() || Fail(EBADF); }

bool SerialPort::Purge() { return IsOpen() && ::ioctl(m_fd, TCFLSH, TCIOFLUSH) == 0; }

bool SerialPort::Read(uint8_t* buffer, size_t wanted, size_t& got) {
    got = 0;
    if (!IsOpen()) return Fail(EBADF);
    const auto start = Clock::now();
    const uint64_t totalMs =
        uint64_t{m_timeouts.readTotalMultiplier} * wanted + m_timeouts.readTotalConstant;
    const Clock::time_point total = start + std::chrono::milliseconds(totalMs);
    Clock::time_point gap{};
    while (got < wanted) {
        // The gap limit runs from the last byte received, once one has come.
        const Clock::time_point* deadline = totalMs ? &total : nullptr;
        if (got > 0 && m_timeouts.readInterval) {
            gap = Clock::now() + std::chrono::milliseconds(m_timeouts.readInterval);
            if (!deadline || gap < *deadline) deadline = &gap;
        }
        pollfd pfd{m_fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, MillisLeft(deadline));
        if (r < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (r == 0) break;  // time-out: return what came
        if (pfd.revents & POLLNVAL) return Fail(EBADF);
        ssize_t n = ::read(m_fd, buffer + got, wanted - got);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            return Fail(errno);
        }
        if (n == 0) return Fail(EIO);  // hang-up: the device is gone
        Tap(LineDirection::In, buffer + got, static_cast<size_t>(n));
        got += static_cast<size_t>(n);
    }
    return true;
}

bool SerialPort::Write(const uint8_t* data, size_t size, size_t& written) {
    written = 0;
    if (!IsOpen()) return Fail(EBADF);
    const uint64_t totalMs =
        uint64_t{m_timeouts.writeTotalMultiplier} * size + m_timeouts.writeTotalConstant;
    const Clock::time_point total = Clock::now() + std::chrono::milliseconds(totalMs);
    // What went out is shown to the tap however the write ends.
    auto ended = [&](bool ok) {
        Tap(LineDirection::Out, data, written);
        return ok;
    };
    while (written < size) {
        ssize_t n = ::write(m_fd, data + written, size - written);
        if (n > 0) {
            written += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return ended(Fail(errno));
        pollfd pfd{m_fd, POLLOUT, 0};
        int r = ::poll(&pfd, 1, MillisLeft(totalMs ? &total : nullptr));
        if (r < 0 && errno != EINTR) return ended(Fail(errno));
        if (r == 0) break;  // write time-out: report what went out
        if (r > 0 && (pfd.revents & POLLNVAL)) return ended(Fail(EBADF));
    }
    return ended(true);
}

bool SerialPort::WaitReadable(WaitHandle wakeFd, int timeoutMs, Ready& ready, int& error) {
    const int fd = m_fd.load(std::memory_order_relaxed);
    if (fd < 0) {
        error = EBADF;
        return false;
    }
    pollfd pfds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        int r = ::poll(pfds, wakeFd >= 0 ? 2 : 1, timeoutMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (r == 0) {
            ready = Ready::Timeout;
        } else if (pfds[0].revents & POLLNVAL) {
            error = EBADF;
            return false;
        } else if (pfds[0].revents) {
            // Data, or a hang-up that the next read reports as an error.
            ready = Ready::Data;
        } else {
            ready = Ready::Wake;
        }
        return true;
    }
}

bool SerialPort::ReadAvailable(uint8_t* buffer, size_t wanted, size_t& got, int& error) {
    got = 0;
    const int fd = m_fd.load(std::memory_order_relaxed);
    for (;;) {
        ssize_t n = ::read(fd, buffer, wanted);
        if (n > 0) {
            got = static_cast<size_t>(n);
            Tap(LineDirection::In, buffer, got);
            return true;
        }
        if (n == 0) {
            error = EIO;  // hang-up
            return false;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return true;
        error = errno;
        return false;
    }
}

bool SerialPort::IsFatalError(int error) {
    switch (error) {
        case EBADF:
        case EIO:
        case ENXIO:
        case ENODEV:
        case EINVAL:
        case EFAULT:
            return true;
        default:
            return false;
    }
}

}  // namespace tarn
