// Serial port on the Win32 communications API: a COM device opened for
// exclusive synchronous use, its DCB, driver queues and COMMTIMEOUTS. Every
// wait is one in the driver's own time-outs; nothing here spins.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <mutex>

#include "platform/serial/serial_port.h"
#include "platform/win32/win32_text.h"

namespace tarn {

namespace {

using Clock = std::chrono::steady_clock;

HANDLE Native(NativePort port) { return reinterpret_cast<HANDLE>(port); }

// "COM7" and "\\.\COM7" both open COM7 (ports above 9 need the second form).
std::wstring DeviceName(const std::string& devicePath) {
    if (devicePath.rfind("\\\\", 0) == 0) return WideFromUtf8(devicePath);
    return L"\\\\.\\" + WideFromUtf8(devicePath);
}

// Driver time-outs for a read that returns at once with what the driver holds.
constexpr PortTimeouts kReadNow{MAXDWORD, 0, 0, 0, 0};
// A wait for data reads one byte with this total time-out, then looks at the
// wake event again: the link's own read time-out at its line speed (5 ms at
// 921600 baud), so a handed-over request waits no longer than the design's
// receive thread would.
constexpr uint32_t kDefaultWaitSliceMs = 5;

}  // namespace

SerialPort::~SerialPort() { Close(); }

bool SerialPort::Fail(int error) {
    m_lastError = error;
    return false;
}

bool SerialPort::Open(const std::string& devicePath) {
    if (IsOpen()) return Fail(ERROR_BUSY);
    HANDLE h = ::CreateFileW(DeviceName(devicePath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Fail(static_cast<int>(::GetLastError()));
    m_fd = reinterpret_cast<NativePort>(h);
    m_driverTimeoutsSet = false;
    m_hasHeldByte = false;
    m_lastError = 0;
    return true;
}

// A port's exclusive use here belongs to its handle: it ends when the handle
// closes, also when the process ends.
void SerialPort::ReleaseExclusive() {}

void SerialPort::Close() {
    if (!IsOpen()) return;
    HANDLE h = Native(m_fd);
    ::SetCommMask(h, 0);
    ::PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    ::CloseHandle(h);
    m_fd = -1;
    m_hasHeldByte = false;
}

bool SerialPort::ApplyLine(const LineSettings& line) {
    if (!IsOpen()) return Fail(ERROR_INVALID_HANDLE);
    HANDLE h = Native(m_fd);
    // The settings in force are read first, as the driver expects, but not
    // relied on: the new DCB is whole. (Wine cannot read back a rate that it
    // has no constant for, such as one a Linux program left on the line.)
    DCB current{};
    current.DCBlength = sizeof current;
    ::GetCommState(h, &current);
    // Binary mode, parity checking and abort-on-error on; every flow control,
    // DTR and RTS off; the other members zero.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;  // 28
    dcb.BaudRate = line.baud;
    dcb.fBinary = 1;
    dcb.fParity = 1;
    dcb.fAbortOnError = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.XonLim = 200;
    dcb.XoffLim = 200;
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    dcb.Parity = line.parity == Parity::Odd ? ODDPARITY : line.parity == Parity::Even ? EVENPARITY : NOPARITY;
    dcb.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    if (!::SetCommState(h, &dcb)) return Fail(static_cast<int>(::GetLastError()));
    return true;
}

bool SerialPort::SetQueueSizes(uint32_t inQueue, uint32_t outQueue) {
    if (!IsOpen()) return Fail(ERROR_INVALID_HANDLE);
    HANDLE h = Native(m_fd);
    ::SetCommMask(h, 0);  // no events: the reads wait in their time-outs
    if (!::SetupComm(h, inQueue, outQueue)) return Fail(static_cast<int>(::GetLastError()));
    return true;
}

bool SerialPort::Purge() {
    if (!IsOpen()) return false;
    m_hasHeldByte = false;
    return ::PurgeComm(Native(m_fd), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;
}

// Gives the driver the read time-outs `read` with the write time-outs in force,
// unless it holds them already.
static bool ApplyDriverTimeouts(HANDLE h, const PortTimeouts& read, const PortTimeouts& write,
                                PortTimeouts& inDriver, bool& set) {
    const PortTimeouts wanted{read.readInterval, read.readTotalMultiplier, read.readTotalConstant,
                              write.writeTotalMultiplier, write.writeTotalConstant};
    if (set && wanted == inDriver) return true;
    COMMTIMEOUTS t{wanted.readInterval, wanted.readTotalMultiplier, wanted.readTotalConstant,
                   wanted.writeTotalMultiplier, wanted.writeTotalConstant};
    if (!::SetCommTimeouts(h, &t)) return false;
    inDriver = wanted;
    set = true;
    return true;
}

// As above, under the port's driver mutex: the owner's write and the reader's
// wait each set the time-outs they need. `read` null keeps the read time-outs
// the driver holds.
static bool ApplyTimeouts(HANDLE h, std::mutex& mutex, const PortTimeouts* read, const PortTimeouts& write,
                          PortTimeouts& inDriver, bool& set) {
    std::lock_guard lock(mutex);
    const PortTimeouts& wanted = read ? *read : set ? inDriver : write;
    return ApplyDriverTimeouts(h, wanted, write, inDriver, set);
}

bool SerialPort::Read(uint8_t* buffer, size_t wanted, size_t& got) {
    got = 0;
    if (!IsOpen()) return Fail(ERROR_INVALID_HANDLE);
    if (wanted == 0) return true;
    if (m_hasHeldByte) {
        buffer[got++] = m_heldByte;
        m_hasHeldByte = false;
        Tap(LineDirection::In, buffer, 1);
    }
    HANDLE h = Native(m_fd);
    if (!ApplyTimeouts(h, m_driverMutex, &m_timeouts, m_timeouts, m_driverTimeouts, m_driverTimeoutsSet)) return Fail(static_cast<int>(::GetLastError()));
    DWORD n = 0;
    if (got < wanted && !::ReadFile(h, buffer + got, static_cast<DWORD>(wanted - got), &n, nullptr)) {
        const int error = static_cast<int>(::GetLastError());
        DWORD errors = 0;
        ::ClearCommError(h, &errors, nullptr);  // a line error aborts reads until cleared
        return Fail(error);
    }
    Tap(LineDirection::In, buffer + got, n);
    got += n;
    return true;
}

bool SerialPort::Write(const uint8_t* data, size_t size, size_t& written) {
    written = 0;
    if (!IsOpen()) return Fail(ERROR_INVALID_HANDLE);
    HANDLE h = Native(m_fd);
    if (!ApplyTimeouts(h, m_driverMutex, nullptr, m_timeouts, m_driverTimeouts, m_driverTimeoutsSet)) return Fail(static_cast<int>(::GetLastError()));
    // Windows reports the bytes that went out before the write time-out ended
    // the call. (Wine on a pseudo-terminal was seen to report 0 for bytes that
    // did go out; nothing but the trace and the tap use the count.)
    DWORD n = 0;
    const BOOL ok = ::WriteFile(h, data, static_cast<DWORD>(size), &n, nullptr);
    written = n;
    Tap(LineDirection::Out, data, written);
    if (!ok) {
        const int error = static_cast<int>(::GetLastError());
        DWORD errors = 0;
        ::ClearCommError(h, &errors, nullptr);
        return Fail(error);
    }
    return true;
}

bool SerialPort::WaitReadable(WaitHandle wake, int timeoutMs, Ready& ready, int& error) {
    auto fail = [&](int code) {
        error = code;
        return false;
    };
    if (!IsOpen()) return fail(ERROR_INVALID_HANDLE);
    HANDLE h = Native(m_fd);
    const auto start = Clock::now();
    const uint32_t slice = m_timeouts.readTotalConstant ? m_timeouts.readTotalConstant : kDefaultWaitSliceMs;
    for (;;) {
        if (wake && ::WaitForSingleObject(wake, 0) == WAIT_OBJECT_0) {
            ready = Ready::Wake;
            return true;
        }
        if (m_hasHeldByte) {
            ready = Ready::Data;
            return true;
        }
        uint32_t wait = slice;
        if (timeoutMs >= 0) {
            const auto spent =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (spent >= timeoutMs) {
                ready = Ready::Timeout;
                return true;
            }
            wait = std::min<uint32_t>(wait, static_cast<uint32_t>(timeoutMs - spent));
        }
        // One byte, or the slice's end: the thread sleeps in the driver.
        const PortTimeouts oneByte{0, 0, wait, 0, 0};
        if (!ApplyTimeouts(h, m_driverMutex, &oneByte, m_timeouts, m_driverTimeouts, m_driverTimeoutsSet))
            return fail(static_cast<int>(::GetLastError()));
        DWORD n = 0;
        if (!::ReadFile(h, &m_heldByte, 1, &n, nullptr)) {
            const int code = static_cast<int>(::GetLastError());
            DWORD errors = 0;
            ::ClearCommError(h, &errors, nullptr);
            return fail(code);
        }
        if (n == 1) m_hasHeldByte = true;
    }
}

bool SerialPort::ReadAvailable(uint8_t* buffer, size_t wanted, size_t& got, int& error) {
    got = 0;
    auto fail = [&](int code) {
        error = code;
        return false;
    };
    if (!IsOpen()) return fail(ERROR_INVALID_HANDLE);
    if (wanted == 0) return true;
    HANDLE h = Native(m_fd);
    if (m_hasHeldByte) {
        buffer[got++] = m_heldByte;
        m_hasHeldByte = false;
    }
    // What waits in the driver's queue, read with time-outs that return at once.
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(h, &errors, &status)) return fail(static_cast<int>(::GetLastError()));
    const size_t queued = std::min<size_t>(status.cbInQue, wanted - got);
    if (queued > 0) {
        if (!ApplyTimeouts(h, m_driverMutex, &kReadNow, m_timeouts, m_driverTimeouts, m_driverTimeoutsSet)) return fail(static_cast<int>(::GetLastError()));
        DWORD n = 0;
        if (!::ReadFile(h, buffer + got, static_cast<DWORD>(queued), &n, nullptr)) {
            const int code = static_cast<int>(::GetLastError());
            ::ClearCommError(h, &errors, nullptr);
            if (got > 0) Tap(LineDirection::In, buffer, got);
            return fail(code);
        }
        got += n;
    }
    Tap(LineDirection::In, buffer, got);
    return true;
}

bool SerialPort::IsFatalError(int error) {
    switch (error) {
        case ERROR_OPERATION_ABORTED:    // 995
        case ERROR_IO_PENDING:           // 997
        case ERROR_GEN_FAILURE:          // 31, device not functioning
        case ERROR_INVALID_HANDLE:       // 6
        case ERROR_BAD_COMMAND:          // 22, the device no longer knows the request
        case ERROR_INVALID_USER_BUFFER:  // 1784
            return true;
        default:
            return false;
    }
}

}  // namespace tarn
