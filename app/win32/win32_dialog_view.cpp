#include "app/win32/win32_dialog_view.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/dialog_texts.h"
#include "platform/win32/win32_text.h"

namespace tarn::win32 {

namespace {

COLORREF ColorOf(Rgb rgb) { return RGB(rgb.r, rgb.g, rgb.b); }

UINT MessageBoxStyle(MbButtons buttons, MbIcon icon) {
    UINT style = buttons == MbButtons::YesNo ? MB_YESNO : buttons == MbButtons::OkCancel ? MB_OKCANCEL : MB_OK;
    switch (icon) {
    case MbIcon::Warning: return style | MB_ICONWARNING;
    case MbIcon::Question: return style | MB_ICONQUESTION;
    case MbIcon::Information: return style | MB_ICONINFORMATION;
    case MbIcon::Error: return style | MB_ICONERROR;
    }
    return style;
}

// The save dialog appends the default extension to a name typed without one,
// and takes it without its dot: "*.tkw" is "tkw" there.
std::wstring BareExtension(const std::u16string& extension) {
    const size_t dot = extension.rfind(u'.');
    return WideFromU16(dot == std::u16string::npos ? extension : extension.substr(dot + 1));
}

}  // namespace

void Win32DialogView::Bind(HWND dialog) { m_window.SetHandle(dialog); }

HBRUSH Win32DialogView::CtlColorStatic(HDC dc, HWND control) const {
    for (const auto& [id, label] : m_statics)
        if (label->GetSafeHwnd() == control) return label->OnCtlColor(dc);
    return nullptr;
}

bool Win32DialogView::DrawItem(const DRAWITEMSTRUCT& item) {
    auto button = m_buttons.find(static_cast<int>(item.CtlID));
    if (button == m_buttons.end()) return false;
    button->second->DrawItem(item);
    return true;
}

std::u16string Win32DialogView::GetText(int id) {
    HWND control = Control(id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return U16FromWide(text);
}

void Win32DialogView::SetText(int id, const std::u16string& text) {
    SetWindowTextW(Control(id), WideFromU16(text).c_str());
}

void Win32DialogView::SetTextColor(int id, Rgb color) {
    auto& label = m_statics[id];
    if (!label) {
        label = std::make_unique<CStaticText>();
        label->SubclassDlgItem(m_window.Handle(), id);
    }
    label->SetTextColor(ColorOf(color));
}

void Win32DialogView::SetButtonColors(int id, Rgb background, Rgb text) {
    auto& button = m_buttons[id];
    if (!button) {
        button = std::make_unique<CButtonST>();
        button->SubclassDlgItem(m_window.Handle(), id);
    }
    // One pair for every state: the connection's colours show however the button is touched.
    for (auto state : {CButtonST::State::Normal, CButtonST::State::Hover, CButtonST::State::Pressed,
                       CButtonST::State::Focus, CButtonST::State::Disabled})
        button->SetColor(state, ColorOf(background), ColorOf(text));
}

bool Win32DialogView::IsChecked(int id) { return IsDlgButtonChecked(m_window.Handle(), id) == BST_CHECKED; }

void Win32DialogView::SetChecked(int id, bool checked) {
    CheckDlgButton(m_window.Handle(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void Win32DialogView::Enable(int id, bool enabled) {
    HWND control = Control(id);
    // A disabled control keeps no focus: it goes on to the next control, so
    // that Esc and Enter still reach the dialog while a transfer runs.
    if (!enabled && GetFocus() == control) SendMessageW(m_window.Handle(), WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control, enabled);
}

void Win32DialogView::Show(int id, bool shown) { ShowWindow(Control(id), shown ? SW_SHOW : SW_HIDE); }

void Win32DialogView::ListClear(int id) { SendTo(id, LB_RESETCONTENT); }

void Win32DialogView::ListAppend(int id, const std::u16string& line) {
    // The thousands of lines of an image load cost the list one redraw.
    if (m_pendingLists.insert(id).second) {
        SendTo(id, WM_SETREDRAW, FALSE);
        PostMessageW(m_window.Handle(), WM_FLUSH_LISTS, 0, 0);
    }
    SendTo(id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromU16(line).c_str()));
}

void Win32DialogView::FlushLists() {
    for (int id : m_pendingLists) {
        SendTo(id, WM_SETREDRAW, TRUE);
        SendTo(id, LB_SETCURSEL, static_cast<WPARAM>(SendTo(id, LB_GETCOUNT) - 1));
        InvalidateRect(Control(id), nullptr, TRUE);
    }
    m_pendingLists.clear();
}

void Win32DialogView::ComboClear(int id) { SendTo(id, CB_RESETCONTENT); }

int Win32DialogView::ComboAdd(int id, const std::u16string& text, void* data) {
    return ComboInsert(id, -1, text, data);
}

int Win32DialogView::ComboInsert(int id, int index, const std::u16string& text, void* data) {
    const auto at = static_cast<int>(SendTo(id, CB_INSERTSTRING, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(WideFromU16(text).c_str())));
    SendTo(id, CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(data));
    return at;
}

int Win32DialogView::ComboCount(int id) { return static_cast<int>(SendTo(id, CB_GETCOUNT)); }

int Win32DialogView::ComboGetSel(int id) { return static_cast<int>(SendTo(id, CB_GETCURSEL)); }

void Win32DialogView::ComboSetSel(int id, int index) { SendTo(id, CB_SETCURSEL, static_cast<WPARAM>(index)); }

void* Win32DialogView::ComboGetData(int id, int index) {
    return reinterpret_cast<void*>(SendTo(id, CB_GETITEMDATA, static_cast<WPARAM>(index)));
}

void Win32DialogView::ProgressSetRange(int id, int low, int high) {
    SendTo(id, PBM_SETRANGE32, static_cast<WPARAM>(low), high);
}

void Win32DialogView::ProgressSetPos(int id, int position) { SendTo(id, PBM_SETPOS, static_cast<WPARAM>(position)); }

void Win32DialogView::SetTimer(int timerId, unsigned milliseconds) {
    ::SetTimer(m_window.Handle(), static_cast<UINT_PTR>(timerId), milliseconds, nullptr);
}

void Win32DialogView::KillTimer(int timerId) { ::KillTimer(m_window.Handle(), static_cast<UINT_PTR>(timerId)); }

void Win32DialogView::SetFileBrowse(int id, const std::u16string& defaultExtension, const std::u16string& filter) {
    auto& edit = m_fileEdits[id];
    if (!edit) edit = std::make_unique<FileBrowseEdit>();
    edit->Enable(Control(id), defaultExtension, filter);
}

void Win32DialogView::AppendSystemMenuItem(int command, const std::u16string& text) {
    HMENU menu = GetSystemMenu(m_window.Handle(), FALSE);
    if (!menu || text.empty()) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), WideFromU16(text).c_str());
}

void Win32DialogView::AppendMenuItem(const MenuItem& item) {
    HMENU menu = GetSystemMenu(m_window.Handle(), FALSE);
    if (!menu) return;
    if (!m_serviceItems) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    m_serviceItems = true;
    AppendMenuW(menu, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(item.command),
                WideFromU16(item.text).c_str());
}

void Win32DialogView::SetMenuItemChecked(int command, bool checked) {
    CheckMenuItem(GetSystemMenu(m_window.Handle(), FALSE), static_cast<UINT>(command),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

int Win32DialogView::MessageBox(const std::u16string& text, MbButtons buttons, MbIcon icon) {
    return ::MessageBoxW(Front(), WideFromU16(text).c_str(), WideFromU16(kApplicationName).c_str(),
                       MessageBoxStyle(buttons, icon));
}

// One path for both file dialogs; they differ in their flags and default extension.
std::optional<std::u16string> Win32DialogView::RunFileDialog(const std::u16string& title, const std::u16string& filter,
                                                             const std::u16string& defaultExtension, DWORD flags,
                                                             bool save) {
    std::vector<wchar_t> path(32768, L'\0');
    const std::wstring filterText = DialogFilter(filter), titleText = WideFromU16(title),
                       extension = BareExtension(defaultExtension);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Front();
    dialog.lpstrFilter = filterText.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = titleText.c_str();
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = OFN_EXPLORER | flags;
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return std::nullopt;
    return U16FromWide(path.data());
}

std::optional<std::u16string> Win32DialogView::SaveFileDialog(const std::u16string& title,
                                                              const std::u16string& filter,
                                                              const std::u16string& defaultExtension,
                                                              SaveFileOptions options) {
    return RunFileDialog(title, filter, defaultExtension,
                         OFN_PATHMUSTEXIST | (options.hideReadOnly ? OFN_HIDEREADONLY : 0) |
                             (options.confirmOverwrite ? OFN_OVERWRITEPROMPT : 0),
                         true);
}

std::optional<std::u16string> Win32DialogView::OpenFileDialog(const std::u16string& title,
                                                              const std::u16string& filter) {
    return RunFileDialog(title, filter, u"", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, false);
}

void Win32DialogView::EndDialog(int result) { ::EndDialog(m_window.Handle(), result); }

}  // namespace tarn::win32
