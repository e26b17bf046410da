#include "platform/serial/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace tarn {

WakeEvent::WakeEvent() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (m_fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

WakeEvent::~WakeEvent() { ::close(m_fd); }

void WakeEvent::Signal() {
    uint64_t one = 1;
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WakeEvent::Drain() {
    uint64_t count;
    while (::read(m_fd, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

void WakeEvent::Wait(int timeoutMs) {
    pollfd pfd{m_fd, POLLIN, 0};
    while (::poll(&pfd, 1, timeoutMs) < 0 && errno == EINTR) {
    }
}

}  // namespace tarn
