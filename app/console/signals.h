#pragma once
// How the `tarn` command meets Ctrl-C, SIGTERM, SIGHUP and a closed pipe.
// A closed pipe (SIGPIPE) is ignored: an output error never stops a write to a
// drive. The stop signals are taken by a thread of their own: while a stop
// handler is set (a write runs), the first one calls it and the write stops at
// its next safe point; otherwise, and at a second one, the command ends at
// once, after its end handler has given the port back.
#include <functional>
#include <mutex>
#include <thread>

namespace tarn::console {

class StopSignals {
public:
    // Blocks the stop signals in this thread and in every thread started after
    // it: make it before any other thread.
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal while it is set (its number), and with `every` each
    // later one as well; null: none.
    void SetStopHandler(std::function<void(int)> handler, bool every = false);
    // What runs before the command ends at once; null: nothing.
    void SetEndHandler(std::function<void()> handler);
    // Passes one stop signal on; the platform's source of signals calls it.
    void Deliver(int signal);

private:
    void Run();
    [[noreturn]] void EndNow(int signal);

    std::mutex m_mutex;
    std::function<void(int)> m_stop;
    std::function<void()> m_end;
    bool m_every = false;
    bool m_stopping = false;  // a first signal has been passed on
    int m_signalFd = -1;
    int m_wakeFd = -1;
    std::thread m_thread;
};

// While it lives, a stop signal reaches `handler` instead of ending the command.
class StopScope {
public:
    StopScope(StopSignals* signals, std::function<void(int)> handler, bool every = false) : m_signals(signals) {
        if (m_signals) m_signals->SetStopHandler(std::move(handler), every);
    }
    ~StopScope() {
        if (m_signals) m_signals->SetStopHandler(nullptr);
    }
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    StopSignals* m_signals;
};

}  // namespace tarn::console
