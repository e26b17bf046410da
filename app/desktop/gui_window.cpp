#include "app/desktop/gui_window.h"

namespace tarn::desktop {

GuiWindow::GuiWindow()
    : m_window([this](uint32_t message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                   return m_proc ? m_proc(message, wParam, lParam) : 0;
               },
               [this] { m_queued.Signal(); }),
      m_notifier(m_queued.Fd(), QSocketNotifier::Read) {
    QObject::connect(&m_notifier, &QSocketNotifier::activated, &m_notifier, [this] {
        // Drained first, so that a message queued while these run signals anew.
        m_queued.Drain();
        m_window.Dispatch(0);
    });
}

}  // namespace tarn::desktop
