#include "sim/pty.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
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
    // A client's close, normal or not, shows as an inotify event on the slave.
    m_closeWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_closeWatch >= 0) ::inotify_add_watch(m_closeWatch, name, IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
}

void PseudoTerminal::ReleaseDeadClient() {
    char events[4096];
    while (::read(m_closeWatch, events, sizeof events) > 0) {
    }
    // A client takes the port's lock before it sets exclusive mode and holds
    // it while it runs: exclusive mode without the lock held is a leftover.
    int exclusive = 0;
    if (::ioctl(m_slaveHolder, TIOCGEXCL, &exclusive) != 0 || !exclusive) return;
    if (::flock(m_slaveHolder, LOCK_EX | LOCK_NB) != 0) return;
    ::ioctl(m_slaveHolder, TIOCNXCL);
    ::flock(m_slaveHolder, LOCK_UN);
}

PseudoTerminal::~PseudoTerminal() { Close(); }

void PseudoTerminal::Close() {
    if (m_closeWatch >= 0) ::close(m_closeWatch);
    if (m_slaveHolder >= 0) ::close(m_slaveHolder);
    if (m_master >= 0) ::close(m_master);
    m_closeWatch = m_slaveHolder = m_master = -1;
}

}  // namespace tarn::sim
