#pragma once
// A receiver of window messages across threads. Send waits until the receiver
// has handled the message; Post queues it and returns at once. A null IWindow*
// means "no window": messages to it are dropped.
#include <cstdint>

namespace tarn {

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr uint32_t WM_USER = 1024;

class IWindow {
public:
    virtual ~IWindow() = default;
    virtual LRESULT Send(uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void Post(uint32_t message, WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace tarn
