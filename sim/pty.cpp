#include "sim/pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tarn::sim {

namespace {

[[noreturn]] void Throw(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) Throw("posix_openpt");
    char name[128];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 ||
        ::ptsname_r(m_master, name, sizeof name) != 0) {
        int error = errno;
        ::close(m_master);
        errno = error;
        Throw("pty set-up");
    }
    m_slavePath = name;
    m_slaveHolder = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_slaveHolder < 0) {
        int error = errno;
        ::close(m_master);
        errno = error;
        Throw("open pty slave");
    }
    // Raw from the start, so no byte is changed before the tool sets the line up.
    termios tio{};
    ::tcgetattr(m_slaveHolder, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(m_slaveHolder, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal() { Close(); }

void PseudoTerminal::Close() {
    if (m_slaveHolder >= 0) ::close(m_slaveHolder);
    if (m_master >= 0) ::close(m_master);
    m_slaveHolder = m_master = -1;
}

}  // namespace tarn::sim
