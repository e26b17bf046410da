#pragma once
// A dialog's window on the GUI thread. Messages sent or posted from another
// thread are queued under the window's own lock and signalled on an event
// descriptor that the GUI thread's event loop watches: that loop (also inside
// a nested modal loop) runs them through the window procedure while a sender
// waits. No Qt call happens on the sending thread. A send from the GUI thread
// runs the procedure at once.
#include <QObject>
#include <QSocketNotifier>

#include "app/message_window.h"
#include "platform/serial/wake_event.h"

namespace tarn::desktop {

class GuiWindow : public IWindow {
public:
    // The calling thread is the GUI thread.
    GuiWindow();

    // The window procedure; messages that arrive while there is none are dropped.
    void SetProc(MessageWindow::Handler proc) { m_proc = std::move(proc); }

    LRESULT Send(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        return m_window.Send(message, wParam, lParam);
    }
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam) override { m_window.Post(message, wParam, lParam); }

private:
    WakeEvent m_queued;
    MessageWindow::Handler m_proc;
    MessageWindow m_window;
    QSocketNotifier m_notifier;
};

}  // namespace tarn::desktop
