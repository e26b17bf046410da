#include "link/hct_comm.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "link/link_messages.h"
#include "link/link_tables.h"
#include "link/packet_scanner.h"
#include "platform/serial/open_failure.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

using std::chrono::milliseconds;

constexpr uint32_t kInQueue = 12000;
constexpr uint32_t kOutQueue = 4096;
constexpr uint32_t kReadIntervalMs = 100;
constexpr uint32_t kWriteTotalConstantMs = 800;
constexpr uint8_t kAutoDetectStation = 255;
constexpr uint16_t kStationRegister = 0x0300;

}  // namespace

CHCT_COMM::CHCT_COMM(std::shared_ptr<PortRegistry> ports) : m_pPorts(std::move(ports)) {
    if (!m_pPorts) m_pPorts = std::make_shared<PortRegistry>();
    m_pRecvThread = std::make_unique<std::thread>([this] { ThreadMain(); });
}

CHCT_COMM::~CHCT_COMM() {
    ClosePort(true);
    if (m_pRecvThread) {
        SetThreadCommand(kThreadEnd);
        m_pRecvThread->join();
        m_pRecvThread.reset();
    }
}

// The receive thread: parked while the port is closed, running the receive loop
// while it is open, ended by the destructor. Commands arrive through a condition
// variable, so a command given before the thread parks is never lost.
void CHCT_COMM::ThreadMain() {
    std::unique_lock lock(m_mxThread);
    for (;;) {
        const uint32_t command = m_nThreadCmd;
        if (command == kThreadRun) {
            m_bParked = false;
            lock.unlock();
            RecvLoop();
            lock.lock();
            continue;
        }
        m_bParked = true;
        m_cvThread.notify_all();
        if (command == kThreadEnd) return;
        m_cvThread.wait(lock, [&] { return m_nThreadCmd != command; });
    }
}

// The receive thread reads the port and unwraps the drive's reply packets; the
// callers write their requests themselves (RequestMailbox), so an exchange
// wakes this thread only for the reply. It alone reads and purges the port
// while it runs; purges that callers ask for are done here, before their next
// request goes out.
void CHCT_COMM::RecvLoop() {
    PacketScanner scanner;
    // After a failed read: true when the port is gone; any other error is
    // waited out for 100 ms.
    auto PortLost = [](int error) {
        if (SerialPort::IsFatalError(error)) return true;
        std::this_thread::sleep_for(milliseconds(100));
        return false;
    };
    // Bytes read from the port and not yet taken by the scanner.
    uint8_t stage[256];
    size_t staged = 0, stagedEnd = 0;
    bool fatal = false;

    while (m_nThreadCmd == kThreadRun) {
        if (m_mailbox.PurgeAsked()) {
            m_hCom.Purge();
            scanner.Reset();
            staged = stagedEnd;
            m_mailbox.Purged();
        }
        if (!m_pFraming.load()->receiveThreadReads) {
            // The workers read the port from the caller's thread;
            // this thread leaves it to them, so it never takes a reply of theirs.
            m_wake.Wait(-1);
            m_wake.Drain();
            scanner.Reset();
            continue;
        }
        if (staged == stagedEnd) {
            // Block until bytes come, a purge is asked for or the command
            // changes; then take everything the port holds in one read.
            SerialPort::Ready ready;
            size_t got = 0;
            int error = 0;
            bool ok = m_hCom.WaitReadable(m_wake.Handle(), -1, ready, error);
            if (ok && ready == SerialPort::Ready::Wake) {
                m_wake.Drain();
                continue;
            }
            if (ok) ok = m_hCom.ReadAvailable(stage, sizeof stage, got, error);
            if (!ok) {
                if ((fatal = PortLost(error))) break;
                continue;
            }
            staged = 0;
            stagedEnd = got;
            if (got == 0) continue;
            // A packet begun before a request went out is none of its reply (a
            // real drive does not talk over the master); starting afresh keeps
            // noise that claims a long packet from eating the replies to the
            // attempts after it.
            if (m_mailbox.NoteReceived()) scanner.Reset();
        }
        PacketScanner::Packet packet;
        staged += scanner.Feed(stage + staged, stagedEnd - staged, &packet);
        if (packet.payload) m_mailbox.Deliver(packet.payload, static_cast<uint32_t>(packet.length));
    }

    if (fatal) {
        m_bPortLost = true;
        if (IWindow* window = m_pMainWnd.load()) window->Post(WM_LINK_LOST, 0, 0);
        // A lasting port error repeats the notification, ten times a second
        // rather than as fast as the port can fail, until the link is closed.
        std::unique_lock lock(m_mxThread);
        m_cvThread.wait_for(lock, milliseconds(100),
                            [&] { return m_nThreadCmd != kThreadRun; });
    }
}

int CHCT_COMM::OpenPort(int port, int baud, int protocol) {
    if (m_bOpened) {
        m_strError = Widen(msg::kPortAlreadyOpened);
        return 1;
    }
    auto path = m_pPorts->PathOf(port);
    if (!path) {
        m_bOpened = 0;
        m_nOpenError = ENOENT;
        m_fault = {LinkFaultKind::PortError, ENOENT};
        m_strError = Widen(msg::kPortOpenFailed) + u"\n" + WidenFormat("No device is known as port %d", port);
        return 0;
    }
    return OpenDevice(*path, baud, protocol);
}

int CHCT_COMM::OpenPort(const std::string& devicePath, int baud, int protocol) {
    return OpenDevice(devicePath, baud, protocol);
}

int CHCT_COMM::OpenDevice(const std::string& devicePath, int baud, int protocol) {
    if (m_bOpened) {
        m_strError = Widen(msg::kPortAlreadyOpened);
        return 1;
    }
    if (!m_hCom.Open(devicePath)) {
        m_bOpened = 0;
        m_nOpenError = m_hCom.LastError();
        m_fault = {LinkFaultKind::PortError, m_nOpenError};
        // The design's message first; the reason on a line of its own.
        m_strError = Widen(msg::kPortOpenFailed) + u"\n" +
                     FromUtf8(DescribeOpenFailure(devicePath, m_nOpenError));
        return 0;
    }
    m_nOpenError = 0;
    m_bOpened = 1;
    m_bPortLost = false;
    // Replies owed from before a close may still come on the line: they stay owed.
    // A port whose settings do not apply stays open, without the receive thread;
    // AutoDetect applies the settings again itself.
    if (!SetupPort(baud, protocol, kInQueue, kOutQueue)) return 1;
    m_nReadPasses = 3;
    m_hCom.Purge();
    SetThreadCommand(kThreadRun);
    m_mailbox.Admit();
    return 1;
}

bool CHCT_COMM::SetupPort(int baud, int protocol, uint32_t inQueue, uint32_t outQueue) {
    // The settings change under nobody: no caller is writing a request (the
    // mailbox is barred) and the receive thread, which reads, is parked.
    const bool running = m_nThreadCmd == kThreadRun;
    m_mailbox.Bar();
    if (running) {
        SetThreadCommand(kThreadPark);
        WaitUntilParked();
    }
    const bool applied = ApplySettings(baud, protocol, inQueue, outQueue);
    if (running) {
        SetThreadCommand(kThreadRun);
        m_mailbox.Admit();
    }
    return applied;
}

bool CHCT_COMM::ApplySettings(int baud, int protocol, uint32_t inQueue, uint32_t outQueue) {
    const BaudSetting rate = BaudForCode(baud);
    const ProtocolSetting format = ProtocolForCode(protocol);
    m_dcb = LineSettings{rate.baud, format.dataBits, format.parity, format.stopBits};
    m_pFraming = &FramingFor(format.rtu);
    m_wake.Signal();  // whether the receive thread reads the port may have changed
    m_hCom.SetQueueSizes(inQueue, outQueue);
    m_timeouts = PortTimeouts{kReadIntervalMs, 0, rate.readTotalConstantMs, 0,
                              kWriteTotalConstantMs};
    m_hCom.SetTimeouts(m_timeouts);
    m_nRespTimeout = 60 * rate.readTotalConstantMs;
    m_nSendTimeout = 2 * kWriteTotalConstantMs;
    m_hCom.Purge();
    if (!m_hCom.ApplyLine(m_dcb)) {
        m_strError = WidenFormat(msg::kDcbSetError, m_hCom.LastError());
        m_fault = {LinkFaultKind::PortError, m_hCom.LastError()};
        return false;
    }
    return true;
}

void CHCT_COMM::WaitUntilParked() {
    std::unique_lock lock(m_mxThread);
    if (m_cvThread.wait_for(lock, milliseconds(500), [&] { return m_bParked; })) return;
    // Still inside a read or a purge: it ends soon. The port is not closed
    // under a thread that still uses it.
    m_cvThread.wait(lock, [&] { return m_bParked; });
}

bool CHCT_COMM::ClosePort(bool /*stopWorker*/) {
    if (!m_bOpened) return true;
    // No background worker is ever registered with the link in this system, so
    // there is none to stop before closing.
    m_mailbox.Bar();
    std::this_thread::sleep_for(milliseconds(500));
    SetThreadCommand(kThreadPark);
    WaitUntilParked();
    m_hCom.Purge();
    m_hCom.Close();
    m_bOpened = 0;
    return true;
}

bool CHCT_COMM::AutoDetect(int port, int* station, int* baud, int* protocol) {
    try {
        if (m_bOpened) ClosePort(true);
        if (OpenPort(port, kLinkBaudCode, kLinkProtocolCode) != 1) throw m_strError;
        m_nReadPasses = 1;
        bool configured = false;
        for (int attempt = 0; attempt < 5 && !configured; ++attempt) {
            configured = SetupPort(kLinkBaudCode, kLinkProtocolCode, kInQueue, kOutQueue);
            if (!configured) {
                std::this_thread::sleep_for(milliseconds(3));
                ClosePort(true);
                OpenPort(port, kLinkBaudCode, kLinkProtocolCode);
            }
        }
        if (!configured) throw Widen(msg::kDcbError);
        uint16_t word = 0;
        if (!Read_Reg(kAutoDetectStation, kStationRegister, 1, &word)) throw m_strError;
        *station = static_cast<int16_t>(word);
        *baud = kLinkBaudCode;
        *protocol = kLinkProtocolCode;
        ClosePort(true);
        m_nReadPasses = 3;
        return true;
    } catch (const std::u16string& inner) {
        m_strError = Widen(msg::kAutoDetectFailed) + u"\n\n" + inner;
        ClosePort(true);
        return false;
    }
}

}  // namespace tarn
