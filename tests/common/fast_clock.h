#pragma once
// A clock for waits that would take seconds: each Sleep moves its time on at once.
#include "platform/tick_clock.h"

namespace tarn::test {

class FastClock : public ITickClock {
public:
    uint32_t TickCount() override { return m_now; }
    void Sleep(uint32_t ms) override { m_now += ms; }

private:
    uint32_t m_now = 1000;
};

}  // namespace tarn::test
