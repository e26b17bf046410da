#pragma once
// A listener to everything that passes a serial port, as it passes: the hook
// of a bus monitor.
#include <cstddef>
#include <cstdint>

namespace tarn {

enum class LineDirection { Out, In };

class ILineTap {
public:
    virtual ~ILineTap() = default;
    // Called on the thread that moved the bytes, right after they moved: for
    // Out once per write call with every byte it wrote, for In once per read.
    // Must return at once: the link waits meanwhile.
    virtual void OnLine(LineDirection direction, const uint8_t* bytes, size_t size) = 0;
};

}  // namespace tarn
