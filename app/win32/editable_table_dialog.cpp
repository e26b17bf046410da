#include "app/win32/editable_table_dialog.h"

#include <windowsx.h>

#include "app/win32/resource.h"
#include "platform/win32/win32_text.h"

namespace tarn::win32 {

namespace {

const COLORREF kMarked = RGB(255, 236, 179);
const COLORREF kGroupHead = RGB(225, 225, 225);

std::wstring Lower(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring Trimmed(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

EditableTableDialog::EditableTableDialog(const EditableTable& table, ITableEditor& editor)
    : m_table(table), m_editor(editor) {}

EditableTableDialog::~EditableTableDialog() {
    if (m_bold) DeleteObject(m_bold);
}

void EditableTableDialog::Run(HWND owner) {
    m_editor.AttachTable(this);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_EDITABLE_TABLE), owner, Proc,
                    reinterpret_cast<LPARAM>(this));
    m_editor.AttachTable(nullptr);
}

HWND EditableTableDialog::List() const { return GetDlgItem(m_dialog, IDC_TABLE_LIST); }

INT_PTR CALLBACK EditableTableDialog::Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        reinterpret_cast<EditableTableDialog*>(lParam)->OnInit(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<EditableTableDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return self ? self->Handle(message, wParam, lParam) : FALSE;
}

void EditableTableDialog::OnInit(HWND dialog) {
    m_dialog = dialog;
    HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    m_bold = CreateFontIndirectW(&font);
    SendDlgItemMessageW(dialog, IDC_TABLE_FILTER, EM_SETCUEBANNER, TRUE,
                        reinterpret_cast<LPARAM>(L"Filter (item or comment)"));
    SetTable(m_table);
    SetBusy(m_busy);
}

INT_PTR EditableTableDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TABLE_FILTER:
            if (HIWORD(wParam) == EN_CHANGE) Fill();
            return TRUE;
        case IDC_TABLE_REFRESH: m_editor.OnRefresh(); return TRUE;
        case IDC_TABLE_EXPORT: m_editor.OnExport(); return TRUE;
        // Enter in the filter box is no "Close".
        case IDOK: return TRUE;
        case IDCANCEL:
            EndEdit(false);
            EndDialog(m_dialog, IDCANCEL);
            return TRUE;
        default: return FALSE;
        }
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_END_CELL_EDIT:
        EndEdit(wParam != 0);
        return TRUE;
    default: return FALSE;
    }
}

INT_PTR EditableTableDialog::OnNotify(const NMHDR& header) {
    if (header.idFrom != IDC_TABLE_LIST) return FALSE;
    if (header.code == NM_CUSTOMDRAW) {
        SetWindowLongPtrW(m_dialog, DWLP_MSGRESULT,
                          CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header))));
        return TRUE;
    }
    if (header.code == NM_DBLCLK) {
        LVHITTESTINFO hit{};
        const DWORD at = GetMessagePos();
        hit.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
        ScreenToClient(List(), &hit.pt);
        if (ListView_SubItemHitTest(List(), &hit) >= 0) BeginEdit(hit.iItem, hit.iSubItem);
        return TRUE;
    }
    return FALSE;
}

// Group headings in bold on grey across the row; marked cells bold on their colour.
LRESULT EditableTableDialog::CustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const size_t v = draw.nmcd.dwItemSpec;
        if (v >= m_rows.size() || m_rows[v].row >= 0) return CDRF_NOTIFYSUBITEMDRAW;
        RECT row;
        ListView_GetItemRect(List(), static_cast<int>(v), &row, LVIR_BOUNDS);
        HBRUSH grey = CreateSolidBrush(kGroupHead);
        FillRect(draw.nmcd.hdc, &row, grey);
        DeleteObject(grey);
        HGDIOBJ old = SelectObject(draw.nmcd.hdc, m_bold);
        SetBkMode(draw.nmcd.hdc, TRANSPARENT);
        ::SetTextColor(draw.nmcd.hdc, GetSysColor(COLOR_WINDOWTEXT));
        row.left += 6;
        const std::wstring text = WideFromU16(*m_rows[v].group);
        DrawTextW(draw.nmcd.hdc, text.c_str(), static_cast<int>(text.size()), &row,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        SelectObject(draw.nmcd.hdc, old);
        return CDRF_SKIPDEFAULT;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const size_t v = draw.nmcd.dwItemSpec;
        const auto& cells = m_table.rows[static_cast<size_t>(m_rows[v].row)].cells;
        const size_t c = static_cast<size_t>(draw.iSubItem);
        const bool marked = c < cells.size() && cells[c].marked;
        draw.clrTextBk = marked ? kMarked : CLR_DEFAULT;
        draw.clrText = CLR_DEFAULT;
        SelectObject(draw.nmcd.hdc, marked ? m_bold : reinterpret_cast<HFONT>(SendMessageW(List(), WM_GETFONT, 0, 0)));
        return CDRF_NEWFONT;
    }
    default: return CDRF_DODEFAULT;
    }
}

void EditableTableDialog::SetSummary(const std::u16string& summary) {
    m_table.summary = summary;
    if (m_dialog) SetDlgItemTextW(m_dialog, IDC_TABLE_SUMMARY, WideFromU16(summary).c_str());
}

void EditableTableDialog::SetTable(const EditableTable& table) {
    EndEdit(false);
    if (&table != &m_table) m_table = table;
    if (!m_dialog) return;
    SetWindowTextW(m_dialog, WideFromU16(m_table.title).c_str());
    SetDlgItemTextW(m_dialog, IDC_TABLE_SUMMARY, WideFromU16(m_table.summary).c_str());
    HWND list = List();
    while (ListView_DeleteColumn(list, 0)) {
    }
    for (size_t c = 0; c < m_table.columns.size(); ++c) {
        std::wstring head = WideFromU16(m_table.columns[c]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = head.data();
        column.cx = 80;
        ListView_InsertColumn(list, static_cast<int>(c), &column);
    }
    Fill();
    // Measured in the plain font: a sixth more for the marked cells' bold one.
    for (int c = 0; c < static_cast<int>(m_table.columns.size()); ++c) {
        ListView_SetColumnWidth(list, c, LVSCW_AUTOSIZE_USEHEADER);
        ListView_SetColumnWidth(list, c, ListView_GetColumnWidth(list, c) * 7 / 6);
    }
}

// The rows that hold the filter's text in any cell, under the headings of
// their groups; a group without such a row shows no heading either.
void EditableTableDialog::Fill() {
    EndEdit(false);
    const std::wstring filter = Lower(Trimmed(WindowText(GetDlgItem(m_dialog, IDC_TABLE_FILTER))));
    m_rows.clear();
    const std::u16string* group = nullptr;
    for (int r = 0; r < static_cast<int>(m_table.rows.size()); ++r) {
        const auto& row = m_table.rows[static_cast<size_t>(r)];
        bool match = filter.empty();
        for (size_t c = 0; !match && c < row.cells.size(); ++c)
            match = Lower(WideFromU16(row.cells[c].text)).find(filter) != std::wstring::npos;
        if (!match) continue;
        if (!group || *group != row.group) {
            group = &row.group;
            m_rows.push_back({-1, group});
        }
        m_rows.push_back({r, group});
    }
    HWND list = List();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    const size_t columns = m_table.columns.size();
    for (size_t v = 0; v < m_rows.size(); ++v) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(v);
        item.pszText = const_cast<wchar_t*>(L"");
        ListView_InsertItem(list, &item);
        if (m_rows[v].row < 0) continue;
        const auto& cells = m_table.rows[static_cast<size_t>(m_rows[v].row)].cells;
        for (size_t c = 0; c < columns && c < cells.size(); ++c) {
            std::wstring text = WideFromU16(cells[c].text);
            ListView_SetItemText(list, static_cast<int>(v), static_cast<int>(c), text.data());
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void EditableTableDialog::SetBusy(bool busy) {
    m_busy = busy;
    if (busy) EndEdit(false);
    if (!m_dialog) return;
    EnableWindow(GetDlgItem(m_dialog, IDC_TABLE_REFRESH), !busy);
    EnableWindow(GetDlgItem(m_dialog, IDC_TABLE_EXPORT), !busy);
}

// Enter writes the cell, Esc or a click elsewhere drops the edit: a drive's
// value is written only when the technician says so.
LRESULT CALLBACK EditableTableDialog::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR self) {
    HWND dialog = reinterpret_cast<EditableTableDialog*>(self)->m_dialog;
    switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DefSubclassProc(edit, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            PostMessageW(dialog, WM_END_CELL_EDIT, wParam == VK_RETURN, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == 27) return 0;  // no beep for the keys above
        break;
    case WM_KILLFOCUS: PostMessageW(dialog, WM_END_CELL_EDIT, 0, 0); break;
    default: break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void EditableTableDialog::BeginEdit(int viewRow, int column) {
    EndEdit(false);
    if (m_busy || viewRow < 0 || viewRow >= static_cast<int>(m_rows.size()) || m_rows[viewRow].row < 0) return;
    const auto& cells = m_table.rows[static_cast<size_t>(m_rows[viewRow].row)].cells;
    if (column <= 0 || column >= static_cast<int>(cells.size()) || !cells[column].editable) {
        MessageBeep(MB_OK);
        return;
    }
    HWND list = List();
    ListView_EnsureVisible(list, viewRow, FALSE);
    RECT cell;
    ListView_GetSubItemRect(list, viewRow, column, LVIR_BOUNDS, &cell);
    m_edit = CreateWindowExW(0, L"EDIT", WideFromU16(cells[column].text).c_str(),
                             WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top,
                             cell.right - cell.left, cell.bottom - cell.top, list, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!m_edit) return;
    m_editRow = viewRow;
    m_editColumn = column;
    SendMessageW(m_edit, WM_SETFONT, SendMessageW(list, WM_GETFONT, 0, 0), FALSE);
    SetWindowSubclass(m_edit, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SetFocus(m_edit);
    SendMessageW(m_edit, EM_SETSEL, 0, -1);
}

void EditableTableDialog::EndEdit(bool write) {
    if (!m_edit) return;
    HWND edit = m_edit;
    m_edit = nullptr;  // its losing the focus below is no second end
    const std::u16string text = U16FromWide(WindowText(edit));
    SetFocus(List());
    DestroyWindow(edit);
    if (!write || m_busy) return;
    const int viewRow = m_editRow, column = m_editColumn, row = m_rows[static_cast<size_t>(viewRow)].row;
    // The editor asks and writes; the cell then shows what the drive holds.
    const TableCell shown = m_editor.OnCellEdited(row, column, text);
    auto& cells = m_table.rows[static_cast<size_t>(row)].cells;
    if (shown.text.empty() && !shown.editable) return;  // the editor took no edit (its table is being read)
    cells[static_cast<size_t>(column)] = shown;
    std::wstring value = WideFromU16(shown.text);
    ListView_SetItemText(List(), viewRow, column, value.data());
}

}  // namespace tarn::win32
