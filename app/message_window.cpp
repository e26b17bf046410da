#include "app/message_window.h"

#include <chrono>
#include <memory>

namespace tarn {

MessageWindow::MessageWindow(Handler handler, std::function<void()> queued)
    : m_handler(std::move(handler)), m_queuedSignal(std::move(queued)), m_owner(std::this_thread::get_id()) {}

LRESULT MessageWindow::Send(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (std::this_thread::get_id() == m_owner) return m_handler(message, wParam, lParam);
    auto m = std::make_shared<Message>(message, wParam, lParam, true);
    {
        // Signalled under the lock, so the message cannot have run (and the
        // window cannot be gone) before the signal is raised.
        std::lock_guard lock(m_mutex);
        m_queue.push_back(m);
        m_queued.notify_all();
        if (m_queuedSignal) m_queuedSignal();
    }
    std::unique_lock lock(m->mutex);
    m->handled.wait(lock, [&] { return m->done; });
    return m->result;
}

void MessageWindow::Post(uint32_t message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::make_shared<Message>(message, wParam, lParam, false));
        m_queued.notify_all();
        if (m_queuedSignal) m_queuedSignal();
    }
}

void MessageWindow::Wake() {
    std::lock_guard lock(m_mutex);
    m_woken = true;
    m_queued.notify_all();
}

int MessageWindow::Dispatch(int timeoutMs) {
    int ran = 0;
    std::unique_lock lock(m_mutex);
    if (m_queue.empty() && timeoutMs > 0)
        m_queued.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !m_queue.empty() || m_woken; });
    m_woken = false;
    while (!m_queue.empty()) {
        std::shared_ptr<Message> m = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        const LRESULT result = m_handler(m->message, m->wParam, m->lParam);
        if (m->sent) {
            std::lock_guard done(m->mutex);
            m->result = result;
            m->done = true;
            m->handled.notify_all();
        }
        lock.lock();
        ++ran;
    }
    return ran;
}

}  // namespace tarn
