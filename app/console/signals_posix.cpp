// The stop signals on Linux: a signalfd read by a thread of its own.
#include "app/console/signals.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>

namespace tarn::console {

namespace {

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
    return set;
}

}  // namespace

StopSignals::StopSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_signalFd = ::signalfd(-1, &set, SFD_CLOEXEC);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC);
    m_thread = std::thread([this] { Run(); });
}

StopSignals::~StopSignals() {
    const uint64_t one = 1;
    if (::write(m_wakeFd, &one, sizeof one) < 0) {
    }
    m_thread.join();
    ::close(m_signalFd);
    ::close(m_wakeFd);
}

void StopSignals::Run() {
    for (;;) {
        pollfd fds[2] = {{m_signalFd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents) return;
        signalfd_siginfo info{};
        if (::read(m_signalFd, &info, sizeof info) != sizeof info) continue;
        Deliver(static_cast<int>(info.ssi_signo));
    }
}

void StopSignals::EndNow(int signal) {
    if (m_end) m_end();
    // Ended by the signal itself, so that a shell sees why.
    std::signal(signal, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

}  // namespace tarn::console
