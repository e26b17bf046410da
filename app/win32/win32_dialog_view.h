#pragma once
// The controls of one dialog made from its resource template, addressed by
// id: the dialogs' logic reads and writes them through this view. The dialog
// procedure hands it the messages that are the view's own (colours, owner
// drawing, the batched log lines).
#include "app/win32/windows_api.h"

#include <map>
#include <memory>
#include <set>

#include "app/ui.h"
#include "app/win32/file_browse_edit.h"
#include "app/win32/win32_window.h"
#include "widgets/win32/button_st.h"
#include "widgets/win32/static_text.h"

namespace tarn::win32 {

// Posted to a dialog to put the lines appended since into their lists.
constexpr UINT WM_FLUSH_LISTS = WM_APP + 1;

class Win32DialogView : public IDialogView {
public:
    // The dialog's window, once it exists (WM_INITDIALOG).
    void Bind(HWND dialog);
    HWND Handle() const { return m_window.Handle(); }

    // WM_CTLCOLORSTATIC for a coloured static: its brush, else null.
    HBRUSH CtlColorStatic(HDC dc, HWND control) const;
    // WM_DRAWITEM: true when a colour button drew itself.
    bool DrawItem(const DRAWITEMSTRUCT& item);
    void FlushLists();

    std::u16string GetText(int id) override;
    void SetText(int id, const std::u16string& text) override;
    void SetTextColor(int id, Rgb color) override;
    void SetButtonColors(int id, Rgb background, Rgb text) override;
    bool IsChecked(int id) override;
    void SetChecked(int id, bool checked) override;
    void Enable(int id, bool enabled) override;
    void Show(int id, bool shown) override;
    void ListClear(int id) override;
    void ListAppend(int id, const std::u16string& line) override;
    void ComboClear(int id) override;
    int ComboAdd(int id, const std::u16string& text, void* data) override;
    int ComboInsert(int id, int index, const std::u16string& text, void* data) override;
    int ComboCount(int id) override;
    int ComboGetSel(int id) override;
    void ComboSetSel(int id, int index) override;
    void* ComboGetData(int id, int index) override;
    void ProgressSetRange(int id, int low, int high) override;
    void ProgressSetPos(int id, int position) override;
    void SetTimer(int timerId, unsigned milliseconds) override;
    void KillTimer(int timerId) override;
    void SetFileBrowse(int id, const std::u16string& defaultExtension, const std::u16string& filter) override;
    void AppendSystemMenuItem(int command, const std::u16string& text) override;
    // The service items go into the system menu too, after the about item. The
    // dialog's modal loop knows no keyboard shortcuts, so none are shown.
    void AppendMenuItem(const MenuItem& item) override;
    void SetMenuItemChecked(int command, bool checked) override;
    int MessageBox(const std::u16string& text, MbButtons buttons, MbIcon icon) override;
    std::optional<std::u16string> SaveFileDialog(const std::u16string& title, const std::u16string& filter,
                                                 const std::u16string& defaultExtension,
                                                 SaveFileOptions options) override;
    std::optional<std::u16string> OpenFileDialog(const std::u16string& title, const std::u16string& filter) override;
    IWindow* Window() override { return &m_window; }
    void EndDialog(int result) override;

private:
    std::optional<std::u16string> RunFileDialog(const std::u16string& title, const std::u16string& filter,
                                                const std::u16string& defaultExtension, DWORD flags, bool save);
    HWND Control(int id) const { return GetDlgItem(m_window.Handle(), id); }
    // The owner of a message box or file dialog: the dialog in front (a table
    // opened from this one), so that closing the box gives that dialog back
    // the keyboard instead of raising this one over it.
    HWND Front() const { return GetLastActivePopup(m_window.Handle()); }
    LRESULT SendTo(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendDlgItemMessageW(m_window.Handle(), id, message, wParam, lParam);
    }

    Win32Window m_window;
    std::map<int, std::unique_ptr<CButtonST>> m_buttons;
    std::map<int, std::unique_ptr<CStaticText>> m_statics;
    std::map<int, std::unique_ptr<FileBrowseEdit>> m_fileEdits;
    // Lists that stopped redrawing for the lines of this turn of the message loop.
    std::set<int> m_pendingLists;
    bool m_serviceItems = false;
};

}  // namespace tarn::win32
