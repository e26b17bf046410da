#pragma once
// A fast clock whose sleeps of one length can be held shut, so that a test can
// stop a worker inside a wait (the burn's ready wait polls every 200 ms) and
// act while it is there. Other sleeps pass at once.
#include <condition_variable>
#include <mutex>

#include "platform/tick_clock.h"

namespace tarn::test {

class GateClock : public ITickClock {
public:
    uint32_t TickCount() override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }
    void Sleep(uint32_t ms) override {
        std::unique_lock lock(m_mutex);
        if (ms == m_heldLength) {
            ++m_sleepers;
            m_released.wait(lock, [&] { return m_heldLength != ms; });
            --m_sleepers;
        }
        m_now += ms;
    }
    void HoldSleepsOf(uint32_t ms) {
        std::lock_guard lock(m_mutex);
        m_heldLength = ms;
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_heldLength = 0;
        m_released.notify_all();
    }
    // Whether a thread is held in Sleep now.
    bool Holding() {
        std::lock_guard lock(m_mutex);
        return m_sleepers > 0;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    uint32_t m_now = 1000;
    uint32_t m_heldLength = 0;  // 0: nothing held
    int m_sleepers = 0;
};

}  // namespace tarn::test
