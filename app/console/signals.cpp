// What the stop signals do, whatever delivers them.
#include "app/console/signals.h"

namespace tarn::console {

void StopSignals::SetStopHandler(std::function<void(int)> handler, bool every) {
    std::lock_guard lock(m_mutex);
    m_stop = std::move(handler);
    m_every = every;
}

void StopSignals::SetEndHandler(std::function<void()> handler) {
    std::lock_guard lock(m_mutex);
    m_end = std::move(handler);
}

void StopSignals::Deliver(int signal) {
    // The handler runs under the lock: a scope that ends clears it, and so
    // waits for a handler still running with what the scope owns.
    std::lock_guard lock(m_mutex);
    if (!m_stop || (m_stopping && !m_every)) EndNow(signal);
    m_stopping = true;
    m_stop(signal);
}

}  // namespace tarn::console
