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
    std::function<void(int)> stop;
    {
        std::lock_guard lock(m_mutex);
        if (!m_stop || (m_stopping && !m_every)) EndNow(signal);
        m_stopping = true;
        stop = m_stop;
    }
    stop(signal);
}

}  // namespace tarn::console
