#pragma once
// A serial port opened for exclusive, synchronous use: the drive link's view of
// the operating system's serial facility. Every call that can fail returns
// false with the system's error code: in LastError() for the owner's calls, in
// the caller's own variable for the reader's (see below).
//
// Who uses what, so that no member is written by two threads at once:
// - the owner (the thread that opens, sets up and closes the port, and the
//   link's callers one at a time): Open, Close, ApplyLine, SetTimeouts,
//   SetQueueSizes, Read, Write and LastError. While a reader runs, the owner
//   only writes; the settings change only while no request is being written
//   and the reader is parked.
// - the reader (the link's receive thread): WaitReadable and ReadAvailable,
//   which hand their error back to their caller and never touch LastError().
// - Purge: the reader while it runs (callers ask it for one), else the owner;
//   it records no error, as nobody acts on a failed purge.
// - ReleaseExclusive and SetTap: any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/serial/line_tap.h"
#include "platform/serial/wake_event.h"

namespace tarn {

enum class Parity { None, Odd, Even };

struct LineSettings {
    uint32_t baud = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    int stopBits = 1;
};

// Read and write time-outs in milliseconds. A read returns when all bytes have
// come, when the gap between two bytes exceeds readInterval (0: no gap limit), or
// when readTotalMultiplier x bytes + readTotalConstant has passed (0 and 0: no
// total limit); it then returns the bytes it has, which may be none.
struct PortTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
    bool operator==(const PortTimeouts&) const = default;
};

// The system's handle of an open port: a descriptor, or a Windows HANDLE kept
// as an integer (INVALID_HANDLE_VALUE is -1 there too).
#ifdef _WIN32
using NativePort = intptr_t;
#else
using NativePort = int;
#endif

class SerialPort {
public:
    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens a tty by its device path for this process alone (exclusive mode and
    // an advisory lock, so that two tools never share a port).
    bool Open(const std::string& devicePath);
    void Close();
    bool IsOpen() const { return m_fd != -1; }
    // Clears the exclusive mode of an open port and nothing else; safe from any thread.
    void ReleaseExclusive();

    // Raw 8-bit line with the given rate, character format, no flow control
    // and DTR/RTS held inactive. Rates without a standard constant are set
    // directly. Modem-line requests that a pseudo-terminal refuses are ignored.
    bool ApplyLine(const LineSettings& line);
    void SetTimeouts(const PortTimeouts& timeouts) { m_timeouts = timeouts; }
    const PortTimeouts& Timeouts() const { return m_timeouts; }
    // Driver queue sizes: Linux ttys have fixed queues, so this only succeeds.
    bool SetQueueSizes(uint32_t inQueue, uint32_t outQueue);
    // Discards what waits in both directions.
    bool Purge();

    // Synchronous read with the time-outs above. False only on a port error.
    bool Read(uint8_t* buffer, size_t wanted, size_t& got);
    // Synchronous write, ended by the write time-out. False only on a port error;
    // a time-out returns true with the bytes that went out. It may run while
    // the reader waits for or reads bytes.
    bool Write(const uint8_t* data, size_t size, size_t& written);

    // The reader's calls; on false, `error` holds the system's code.
    // Blocks until the port has bytes to read, or `wake` is signalled
    // (timeoutMs < 0: no limit). Returns false on a port error.
    enum class Ready { Data, Wake, Timeout };
    bool WaitReadable(WaitHandle wake, int timeoutMs, Ready& ready, int& error);
    // Reads what is there now, at most `wanted` bytes, without waiting.
    bool ReadAvailable(uint8_t* buffer, size_t wanted, size_t& got, int& error);

    // Every byte written or read is shown to `tap` (null: to none). It may be
    // changed at any time; a tap must outlive the port's use of it.
    void SetTap(ILineTap* tap) { m_tap.store(tap, std::memory_order_release); }

    int LastError() const { return m_lastError; }
    // True for the errors after which the port is unusable (device gone, handle
    // invalid): the link treats them as the line being lost.
    static bool IsFatalError(int error);

private:
    bool Fail(int error);

    void Tap(LineDirection direction, const uint8_t* bytes, size_t size) {
        if (size == 0) return;
        if (ILineTap* tap = m_tap.load(std::memory_order_acquire)) tap->OnLine(direction, bytes, size);
    }

    std::atomic<NativePort> m_fd{-1};  // read by ReleaseExclusive from any thread
    int m_lastError = 0;
    PortTimeouts m_timeouts;
    // Windows: the time-outs the driver holds now, and a byte that a wait for
    // data has already taken from the driver. A synchronous handle does one
    // call at a time anyway; the mutex keeps the owner's write and the
    // reader's wait from changing the driver's time-outs under each other.
    std::mutex m_driverMutex;
    PortTimeouts m_driverTimeouts;
    bool m_driverTimeoutsSet = false;
    uint8_t m_heldByte = 0;
    bool m_hasHeldByte = false;
    std::atomic<ILineTap*> m_tap{nullptr};
};

}  // namespace tarn
