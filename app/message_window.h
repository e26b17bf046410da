#pragma once
// A dialog's window for the front ends that run their own loop (the `tarn`
// command, tests): messages sent or posted from any thread are queued and run
// by the dialog's thread in Dispatch; a sender from another thread waits until
// its message has run. A send from the dialog's own thread runs at once.
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

    // The calling thread becomes the dialog's thread.
    explicit MessageWindow(Handler handler);

    LRESULT Send(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam) override;

    // Runs queued messages; waits up to `timeoutMs` for the first one (0: no
    // wait). Returns how many ran. Only the dialog's thread calls it.
    int Dispatch(int timeoutMs);
    // Wakes a Dispatch that is waiting, without a message.
    void Wake();

private:
    struct Message {
        uint32_t message;
        WPARAM wParam;
        LPARAM lParam;
        bool sent;
        bool done = false;
        LRESULT result = 0;
    };

    Handler m_handler;
    std::thread::id m_owner;
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::condition_variable m_handled;
    std::deque<std::shared_ptr<Message>> m_queue;
    bool m_woken = false;
};

}  // namespace tarn
