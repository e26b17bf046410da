#pragma once
// A wake-up that a thread blocked in poll() on a port can also wait for.
// Signal() may be called from any thread; signals before a Drain() coalesce.
namespace tarn {

class WakeEvent {
public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    int Fd() const { return m_fd; }
    void Signal();
    void Drain();
    // Blocks until signalled (timeoutMs < 0: no limit); does not drain.
    void Wait(int timeoutMs);

private:
    int m_fd;
};

}  // namespace tarn
