#pragma once
// A static text whose text colour can be set; the owner answers
// WM_CTLCOLORSTATIC for it through OnCtlColor.
#include <windows.h>

namespace tarn {

class CStaticText {
public:
    void SubclassDlgItem(HWND dialog, int id) { m_hWnd = GetDlgItem(dialog, id); }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // Repaints at once in the new colour.
    void SetTextColor(COLORREF color);
    COLORREF TextColor() const { return m_color; }
    // The text colour into the control's device context; the brush of the
    // dialog's face behind it.
    HBRUSH OnCtlColor(HDC dc) const;

private:
    HWND m_hWnd = nullptr;
    COLORREF m_color = RGB(0, 0, 0);
};

}  // namespace tarn
