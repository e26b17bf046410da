#pragma once
// A pseudo-terminal whose master side the virtual drive serves. The slave path
// is what the tool opens as its serial port.
#include <string>

namespace tarn::sim {

class PseudoTerminal {
public:
    PseudoTerminal();  // throws std::system_error when no pty can be had
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int MasterFd() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    // Closes the drive's side for good: whoever has the slave open sees the
    // line hang up, and the slave path goes away.
    void Close();

    // Readable when a client has closed the slave (it may have died).
    int ClientClosedFd() const { return m_closeWatch; }
    // After a client has gone: a port left in exclusive mode while no client
    // holds its lock any more (one that ended abnormally) is made free again.
    void ReleaseDeadClient();

private:
    int m_master = -1;
    // Kept open so that the master never sees a hang-up while the tool has
    // the port closed; it is never read.
    int m_slaveHolder = -1;
    int m_closeWatch = -1;  // inotify on the slave's closes
    std::string m_slavePath;
};

}  // namespace tarn::sim
