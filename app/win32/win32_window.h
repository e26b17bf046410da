#pragma once
// A dialog's window as the workers reach it: "sent" is SendMessageW, which
// waits until the dialog's thread has run the message; "posted" is
// PostMessageW. Messages to a window that is gone are dropped by the system.
#include "app/win32/windows_api.h"

#include "platform/window.h"

namespace tarn::win32 {

class Win32Window : public IWindow {
public:
    void SetHandle(HWND window) { m_hWnd = window; }
    HWND Handle() const { return m_hWnd; }

    LRESULT Send(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        return SendMessageW(m_hWnd, message, wParam, lParam);
    }
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        PostMessageW(m_hWnd, message, wParam, lParam);
    }

private:
    HWND m_hWnd = nullptr;
};

}  // namespace tarn::win32
