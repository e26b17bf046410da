#pragma once
// A dialog's window: messages sent or posted from any thread are queued and run
// by the dialog's thread in Dispatch; a sender from another thread waits until
// its message has run. A send from the dialog's own thread runs at once. The
// `tarn` command and the tests run Dispatch in their own loop; the desktop
// front end is told of each queued message and dispatches from its event loop.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/window.h"

namespace tarn {

class MessageWindow : public IWindow {
public:
    using Handler = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

    // The calling thread becomes the dialog's thread. `queued`, when given, is
    // called on the queuing thread after each message is queued, still under
    // the window's lock; it must not block nor call back into the window.
    explicit MessageWindow(Handler handler, std::function<void()> queued = {});

    LRESULT Send(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam) override;

    // Runs queued messages; waits up to `timeoutMs` for the first one (0: no
    // wait). Returns how many ran. Only the dialog's thread calls it.
    int Dispatch(int timeoutMs);
    // Wakes a Dispatch that is waiting, without a message.
    void Wake();

private:
    // A sent message carries its own lock and signal: once it has run, the
    // sender touches only the message, never the window, which may already be
    // gone (the handler that ran it may have ended the dialog).
    struct Message {
        Message(uint32_t m, WPARAM w, LPARAM l, bool s) : message(m), wParam(w), lParam(l), sent(s) {}
        uint32_t message;
        WPARAM wParam;
        LPARAM lParam;
        bool sent;
        std::mutex mutex;
        std::condition_variable handled;
        bool done = false;
        LRESULT result = 0;
    };

    Handler m_handler;
    std::function<void()> m_queuedSignal;
    std::thread::id m_owner;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<std::shared_ptr<Message>> m_queue;
    bool m_woken = false;
};

}  // namespace tarn
