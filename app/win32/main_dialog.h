#pragma once
// The main dialog on Windows: dialog 102 run modally, its controls' and
// window's messages handed to the dialogs' logic (CTarnToolkitDlg), and the
// window behaviour of its own: the about item, dragging by any free point,
// the icon of the minimised window.
#include "app/win32/windows_api.h"

#include <optional>
#include <string>

#include "app/tarn_toolkit_dlg.h"
#include "app/win32/win32_dialog_host.h"
#include "app/win32/win32_dialog_view.h"

namespace tarn::win32 {

class CTarnToolkitWindow {
public:
    // port: a COM port number listed and selected before the automatic connect.
    CTarnToolkitWindow(IProfile& profile, std::optional<std::u16string> port);
    CTarnToolkitWindow(const CTarnToolkitWindow&) = delete;
    CTarnToolkitWindow& operator=(const CTarnToolkitWindow&) = delete;

    // The modal run; returns the end code (IDOK or IDCANCEL).
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND dialog);
    void OnCommand(int id, int code);
    bool OnPaint(HWND dialog);

    // The view outlives the logic: the link's receive thread may post to the
    // window until the logic's link has closed.
    Win32DialogView m_view;
    Win32DialogHost m_host;
    CTarnToolkitDlg m_logic;
    HICON m_hIcon;
    std::optional<std::u16string> m_port;
};

}  // namespace tarn::win32
