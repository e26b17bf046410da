#pragma once
// A clock for waits that would take seconds: each Sleep moves its time on at
// once. It may start anywhere (near the 32-bit wrap, say) and jump once, after
// the first sleep, as a clock set back or forward would.
#include "platform/tick_clock.h"

namespace tarn::test {

class FastClock : public ITickClock {
public:
    explicit FastClock(uint32_t start = 1000, int32_t jumpAfterFirstSleep = 0)
        : m_now(start), m_jump(jumpAfterFirstSleep) {}
    uint32_t TickCount() override { return m_now; }
    void Sleep(uint32_t ms) override {
        m_now += ms;
        if (m_sleeps++ == 0) m_now += static_cast<uint32_t>(m_jump);
    }

private:
    uint32_t m_now;
    int32_t m_jump;
    int m_sleeps = 0;
};

}  // namespace tarn::test
