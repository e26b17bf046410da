#pragma once
// Millisecond tick count. Kept as uint32_t where code compares ticks, so that
// wrap-around behaves as the drive tools have always assumed.
#include <chrono>
#include <cstdint>

namespace tarn {

inline uint32_t GetTickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace tarn
