#include "widgets/win32/static_text.h"

namespace tarn {

void CStaticText::SetTextColor(COLORREF color) {
    m_color = color;
    if (!m_hWnd) return;
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

HBRUSH CStaticText::OnCtlColor(HDC dc) const {
    ::SetTextColor(dc, m_color);
    SetBkMode(dc, TRANSPARENT);
    return GetSysColorBrush(COLOR_BTNFACE);
}

}  // namespace tarn
