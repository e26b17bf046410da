#include "app/win32/main_dialog.h"

#include "app/win32/resource.h"
#include "platform/serial/open_failure.h"
#include "platform/wide_string.h"

namespace tarn::win32 {

namespace {

// Returns a message's result from a dialog procedure.
INT_PTR Result(HWND dialog, LRESULT result) {
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace

CTarnToolkitWindow::CTarnToolkitWindow(IProfile& profile, std::optional<std::u16string> port)
    : m_logic(profile, m_host),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_port(std::move(port)) {}

INT_PTR CTarnToolkitWindow::DoModal() {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TARNTOOLKIT_DIALOG), nullptr, Proc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CTarnToolkitWindow::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<CTarnToolkitWindow*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->Handle(dialog, message, wParam, lParam) : FALSE;
}

void CTarnToolkitWindow::OnInitDialog(HWND dialog) {
    m_view.Bind(dialog);
    m_host.SetOwner(dialog);
    m_logic.Attach(&m_view);
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_logic.OnInitDialog();
    // The log tells why a port is not there, where the technician looks.
    if (m_port && m_logic.UsePort(*m_port) < 0)
        m_logic.AddLog(FromUtf8(DescribeOpenFailure("COM" + ToUtf8(*m_port), ERROR_FILE_NOT_FOUND)));
    m_logic.LogWhenNoPortIsListed();
}

void CTarnToolkitWindow::OnCommand(int id, int code) {
    switch (id) {
    case IDC_ONLINE:
        if (code == BN_CLICKED) m_logic.OnBnClickedOnline();
        break;
    case IDC_DOWNLOAD:
        if (code == BN_CLICKED) m_logic.OnBnClickedDownload();
        break;
    case IDC_GENERATE:
        if (code == BN_CLICKED) m_logic.OnBnClickedGenerate();
        break;
    case IDC_COM_PORT:
        if (code == CBN_SELCHANGE) m_logic.OnCbnSelchangeComPort();
        break;
    case IDC_FILE:
        if (code == EN_CHANGE) m_logic.OnEnChangeFile();
        break;
    // Enter in a field (the dialog has no default button), Esc, the system menu's Close.
    case IDOK: m_logic.OnOK(); break;
    case IDCANCEL: m_logic.OnCancel(); break;
    default: break;
    }
}

// The minimised window shows the icon centred.
bool CTarnToolkitWindow::OnPaint(HWND dialog) {
    if (!IsIconic(dialog)) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    SendMessageW(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(dialog, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(dialog, &paint);
    return true;
}

INT_PTR CTarnToolkitWindow::Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;  // the system sets the focus
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        // The about item; every other command is the system's.
        return m_logic.OnSysCommand(static_cast<int>(wParam)) ? Result(dialog, 0) : FALSE;
    case WM_NCHITTEST:
        // Every point is the caption: the window drags by any free point and
        // the caption's buttons do not react.
        return Result(dialog, HTCAPTION);
    case WM_PAINT:
        return OnPaint(dialog);
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(
            m_view.CtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_DRAWITEM:
        return m_view.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_FLUSH_LISTS:
        m_view.FlushLists();
        return TRUE;
    default:
        if (message == WM_TIMER || (message >= WM_USER && message < WM_APP))
            return Result(dialog, m_logic.WindowProc(message, wParam, lParam));
        return FALSE;
    }
}

}  // namespace tarn::win32
