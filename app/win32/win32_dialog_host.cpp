#include "app/win32/win32_dialog_host.h"

#include <commctrl.h>

#include "app/dlg_toolkit_upload.h"
#include "app/win32/editable_table_dialog.h"
#include "app/win32/resource.h"
#include "app/win32/win32_dialog_view.h"
#include "platform/win32/win32_text.h"

namespace tarn::win32 {

namespace {

// A dialog without behaviour of its own: OK and Cancel end it with their ids.
INT_PTR CALLBACK FixedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK TableDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FixedDialogProc(dialog, message, wParam, lParam);
    const auto& report = *reinterpret_cast<const TableReport*>(lParam);
    SetWindowTextW(dialog, WideFromU16(report.title).c_str());
    SetDlgItemTextW(dialog, IDC_TABLE_SUMMARY, WideFromU16(report.summary).c_str());
    HWND list = GetDlgItem(dialog, IDC_TABLE_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    RECT area;
    GetClientRect(list, &area);
    const int columns = static_cast<int>(report.columns.size());
    for (int c = 0; c < columns; ++c) {
        std::wstring head = WideFromU16(report.columns[static_cast<size_t>(c)]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = head.data();
        column.cx = (area.right - GetSystemMetrics(SM_CXVSCROLL)) / (columns ? columns : 1);
        ListView_InsertColumn(list, c, &column);
    }
    int row = 0;
    for (const auto& cells : report.rows) {
        for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
            std::wstring text = WideFromU16(cells[static_cast<size_t>(c)]);
            if (c == 0) {
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = row;
                item.pszText = text.data();
                ListView_InsertItem(list, &item);
            } else {
                ListView_SetItemText(list, row, c, text.data());
            }
        }
        ++row;
    }
    return TRUE;
}

struct UploadRun {
    CDlgToolkitUpload& logic;
    Win32DialogView view;
};

INT_PTR CALLBACK UploadDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* run = reinterpret_cast<UploadRun*>(lParam);
        run->view.Bind(dialog);
        run->logic.Attach(&run->view);
        run->logic.OnInitDialog();
        return TRUE;
    }
    auto* run = reinterpret_cast<UploadRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!run) return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_UPLOAD: run->logic.OnBnClickedUpload(); return TRUE;
        case IDOK: run->logic.OnOK(); return TRUE;
        case IDCANCEL: run->logic.OnCancel(); return TRUE;
        default: return FALSE;
        }
    case WM_FLUSH_LISTS:
        run->view.FlushLists();
        return TRUE;
    default:
        if (message == WM_TIMER || (message >= WM_USER && message < WM_APP)) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, run->logic.WindowProc(message, wParam, lParam));
            return TRUE;
        }
        return FALSE;
    }
}

}  // namespace

int Win32DialogHost::RunConfirmDialog() {
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONFIRM), m_owner,
                                           FixedDialogProc, 0);
    return result == IDOK ? IDOK : IDCANCEL;
}

void Win32DialogHost::RunAboutDialog() {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), m_owner, FixedDialogProc, 0);
}

void Win32DialogHost::RunUploadDialog(CDlgToolkitUpload& dialog) {
    UploadRun run{dialog, {}};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UPLOAD), m_owner, UploadDialogProc,
                    reinterpret_cast<LPARAM>(&run));
    // The dialog ends only once its worker's last message has been handled.
    dialog.Attach(nullptr);
}

void Win32DialogHost::RunTableDialog(const TableReport& report) {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TABLE), m_owner, TableDialogProc,
                    reinterpret_cast<LPARAM>(&report));
}

void Win32DialogHost::RunEditableTableDialog(const EditableTable& table, ITableEditor& editor) {
    EditableTableDialog(table, editor).Run(m_owner);
}

}  // namespace tarn::win32
