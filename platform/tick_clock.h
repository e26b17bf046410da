#pragma once
// The millisecond tick count and sleeping, behind an interface so that long
// waits can be tested with a clock that only pretends to pass time.
#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/tick.h"

namespace tarn {

class ITickClock {
public:
    virtual ~ITickClock() = default;
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// The real clock; it holds no state, so one instance serves everybody.
class SystemTickClock : public ITickClock {
public:
    uint32_t TickCount() override { return GetTickCount(); }
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    static SystemTickClock& Instance() {
        static SystemTickClock clock;
        return clock;
    }
};

}  // namespace tarn
