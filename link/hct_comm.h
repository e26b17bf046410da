#pragma once
// The drive link on a serial port: opens and configures the port, runs the
// receive thread that reads the port and unwraps the drive's reply packets,
// closes the port and finds the drive by itself. Callers write their requests
// themselves (see RequestMailbox); serial_port.h says which thread uses what.
#include <atomic>
#include <memory>
#include <string>

#include "link/hct_comm_base.h"
#include "platform/serial/port_registry.h"
#include "platform/window.h"

namespace tarn {

// Posted to the main window when the receive thread loses the port.
constexpr uint32_t WM_LINK_LOST = 1485;

class CHCT_COMM : public CHCT_COMM_BASE {
public:
    // Port numbers are looked up in `ports`, which the port list fills.
    explicit CHCT_COMM(std::shared_ptr<PortRegistry> ports = std::make_shared<PortRegistry>());
    ~CHCT_COMM() override;
    CHCT_COMM(const CHCT_COMM&) = delete;
    CHCT_COMM& operator=(const CHCT_COMM&) = delete;

    int OpenPort(int port, int baud, int protocol) override;
    // Opens a device by its path (a pseudo-terminal, or a path the user typed).
    int OpenPort(const std::string& devicePath, int baud, int protocol);
    void RecvLoop() override;
    bool ClosePort(bool stopWorker) override;
    bool AutoDetect(int port, int* station, int* baud, int* protocol) override;
    bool SetupPort(int baud, int protocol, uint32_t inQueue, uint32_t outQueue) override;

    PortRegistry& Ports() { return *m_pPorts; }
    // A bus monitor on the port: sees every byte written and read (null: none).
    // It may be changed at any time; it must outlive the link's use of it.
    void SetLineTap(ILineTap* tap) { m_hCom.SetTap(tap); }
    // Clears the port's exclusive flag from any thread, for a process that is
    // about to end at once: on a pseudo-terminal the flag would outlive it.
    void ReleaseExclusive() { m_hCom.ReleaseExclusive(); }
    // The window that gets the link-lost notification; null for none.
    void SetMainWindow(IWindow* window) { m_pMainWnd = window; }
    bool IsOpen() const { return m_bOpened != 0; }
    uint32_t ResponseTimeout() const { return m_nRespTimeout; }
    const LineSettings& Line() const { return m_dcb; }
    bool IsRtu() const { return m_pFraming.load() == &kRtuFraming; }
    // The system error of the last OpenPort that failed to open its device;
    // 0 after one that opened it.
    int OpenError() const { return m_nOpenError; }

private:
    void ThreadMain();
    int OpenDevice(const std::string& devicePath, int baud, int protocol);
    void WaitUntilParked();
    bool ApplySettings(int baud, int protocol, uint32_t inQueue, uint32_t outQueue);

    std::shared_ptr<PortRegistry> m_pPorts;
    std::atomic<IWindow*> m_pMainWnd{nullptr};
    int m_nOpenError = 0;
};

}  // namespace tarn
