// Downloads onto several drives at once run one child process per drive with
// a result descriptor of its own, which the Windows build does not provide yet:
// no child is ever started, so there is none to pass a signal to.
#include <cerrno>

#include "app/console/child_runs.h"

namespace tarn::console {

void ChildSignals::Signal(int signal) {
    std::lock_guard lock(m_mutex);
    m_signal = signal;
}

void ChildSignals::Started(pid_t pid) {
    std::lock_guard lock(m_mutex);
    m_pids.push_back(pid);
}

bool ChildSignals::Stopping() {
    std::lock_guard lock(m_mutex);
    return m_signal != 0;
}

bool RunChildren(std::vector<ChildRun>&, const LineHandler&, const Release&, ChildSignals*) {
    errno = ENOSYS;
    return false;
}

}  // namespace tarn::console
