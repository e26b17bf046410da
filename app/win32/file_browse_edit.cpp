#include "app/win32/file_browse_edit.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "platform/win32/win32_text.h"

namespace tarn::win32 {

std::wstring DialogFilter(const std::u16string& filter) {
    std::wstring result = WideFromU16(filter);
    for (wchar_t& c : result)
        if (c == L'|') c = L'\0';
    result.push_back(L'\0');
    return result;
}

FileBrowseEdit::~FileBrowseEdit() {
    if (m_hWnd) RemoveWindowSubclass(m_hWnd, Proc, 0);
}

void FileBrowseEdit::Enable(HWND edit, const std::u16string& defaultExtension, const std::u16string& filter) {
    m_defaultExtension = WideFromU16(defaultExtension);
    m_filter = DialogFilter(filter);
    if (m_hWnd) return;
    m_hWnd = edit;
    SetWindowSubclass(m_hWnd, Proc, 0, reinterpret_cast<DWORD_PTR>(this));
    // The frame is measured again, now with the button in it.
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

RECT FileBrowseEdit::ButtonRect() const {
    RECT window, client;
    GetWindowRect(m_hWnd, &window);
    GetClientRect(m_hWnd, &client);
    POINT origin{0, 0};
    ClientToScreen(m_hWnd, &origin);
    const int top = origin.y - window.top;
    const int right = origin.x - window.left + client.right;
    const int height = client.bottom;
    return RECT{right, top, right + height + 4, top + height};
}

void FileBrowseEdit::DrawButton(bool pressed) const {
    HDC dc = GetWindowDC(m_hWnd);
    RECT rect = ButtonRect();
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)));
    DrawTextW(dc, L"...", -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(m_hWnd, dc);
}

void FileBrowseEdit::Browse() {
    std::vector<wchar_t> path(32768, L'\0');
    GetWindowTextW(m_hWnd, path.data(), static_cast<int>(path.size()));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetParent(m_hWnd);
    dialog.lpstrFilter = m_filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = m_defaultExtension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog)) SetWindowTextW(m_hWnd, path.data());
}

LRESULT CALLBACK FileBrowseEdit::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data) {
    auto* self = reinterpret_cast<FileBrowseEdit*>(data);
    switch (message) {
    case WM_NCCALCSIZE: {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        RECT& client = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                              : *reinterpret_cast<RECT*>(lParam);
        client.right -= (client.bottom - client.top) + 4;
        return result;
    }
    case WM_NCPAINT:
        DefSubclassProc(window, message, wParam, lParam);
        self->DrawButton(false);
        return 0;
    case WM_NCHITTEST: {
        RECT button = self->ButtonRect();
        RECT window_rect;
        GetWindowRect(window, &window_rect);
        const POINT point{static_cast<short>(LOWORD(lParam)) - window_rect.left, static_cast<short>(HIWORD(lParam)) - window_rect.top};
        if (PtInRect(&button, point)) return HTBORDER;
        break;
    }
    case WM_NCLBUTTONDOWN: {
        RECT button = self->ButtonRect();
        RECT window_rect;
        GetWindowRect(window, &window_rect);
        const POINT point{static_cast<short>(LOWORD(lParam)) - window_rect.left, static_cast<short>(HIWORD(lParam)) - window_rect.top};
        if (!PtInRect(&button, point)) break;
        self->DrawButton(true);
        self->Browse();
        self->DrawButton(false);
        return 0;
    }
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace tarn::win32
