#include "widgets/win32/button_st.h"

#include <commctrl.h>

#include <string>

namespace tarn {

CButtonST::~CButtonST() {
    if (m_hWnd) RemoveWindowSubclass(m_hWnd, Proc, 0);
}

void CButtonST::SubclassDlgItem(HWND dialog, int id) {
    m_hWnd = GetDlgItem(dialog, id);
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    SetWindowSubclass(m_hWnd, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void CButtonST::SetColor(State state, COLORREF background, COLORREF text) {
    m_colors[Index(state)] = {background, text};
    if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

CButtonST::State CButtonST::DrawingState(UINT itemState) const {
    if (itemState & ODS_DISABLED) return State::Disabled;
    if (itemState & ODS_SELECTED) return State::Pressed;
    if (m_pointerIn) return State::Hover;
    if (itemState & ODS_FOCUS) return State::Focus;
    return State::Normal;
}

void CButtonST::DrawItem(const DRAWITEMSTRUCT& item) {
    const Colors& colors = m_colors[Index(DrawingState(item.itemState))];
    RECT rect = item.rcItem;
    HBRUSH brush = CreateSolidBrush(colors.background);
    FillRect(item.hDC, &rect, brush);
    DeleteObject(brush);
    DrawEdge(item.hDC, &rect, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    std::wstring caption(static_cast<size_t>(GetWindowTextLengthW(item.hwndItem)) + 1, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(item.hwndItem, caption.data(), static_cast<int>(caption.size()))));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, colors.text);
    if (item.itemState & ODS_SELECTED) OffsetRect(&rect, 1, 1);
    DrawTextW(item.hDC, caption.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

LRESULT CALLBACK CButtonST::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR data) {
    auto* self = reinterpret_cast<CButtonST*>(data);
    switch (message) {
    case WM_MOUSEMOVE:
        if (!self->m_pointerIn) {
            self->m_pointerIn = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
            TrackMouseEvent(&track);
            InvalidateRect(window, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        self->m_pointerIn = false;
        InvalidateRect(window, nullptr, FALSE);
        break;
    case WM_LBUTTONDBLCLK:  // an owner-drawn button takes a quick second click as a click
        message = WM_LBUTTONDOWN;
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace tarn
