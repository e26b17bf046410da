#pragma once
// A wake-up that a thread blocked on a port can also wait for.
// Signal() may be called from any thread; signals before a Drain() coalesce.
namespace tarn {

// What a port wait can also wait on: an eventfd, or a Windows event HANDLE.
#ifdef _WIN32
using WaitHandle = void*;
#else
using WaitHandle = int;
#endif

class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    WaitHandle Handle() const { return m_fd; }
#ifndef _WIN32
    int Fd() const { return m_fd; }
#endif
    void Signal();
    void Drain();
    // Blocks until signalled (timeoutMs < 0: no limit); does not drain.
    void Wait(int timeoutMs);

private:
    WaitHandle m_fd;
};

}  // namespace tarn
