#pragma once
// The drive's parameters in a list view from the resource template: group
// heading rows, marked cells on their own colour, a filter box, "Refresh",
// "Export..." and an in-place edit of a value cell. Every action goes to the
// table's editor; the editor's answers come back through ITableView.
#include "app/win32/windows_api.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/ui.h"

namespace tarn::win32 {

// Posted by the in-place edit to its dialog: wParam 1 writes the cell, 0 drops the edit.
constexpr UINT WM_END_CELL_EDIT = WM_APP + 2;

class EditableTableDialog : public ITableView {
public:
    EditableTableDialog(const EditableTable& table, ITableEditor& editor);
    ~EditableTableDialog() override;
    EditableTableDialog(const EditableTableDialog&) = delete;
    EditableTableDialog& operator=(const EditableTableDialog&) = delete;

    // Runs the dialog modally over `owner`.
    void Run(HWND owner);

    void SetTable(const EditableTable& table) override;
    void SetSummary(const std::u16string& summary) override;
    void SetBusy(bool busy) override;

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND dialog);
    INT_PTR OnNotify(const NMHDR& header);
    LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);
    void Fill();
    void BeginEdit(int viewRow, int column);
    void EndEdit(bool write);
    HWND List() const;

    // A row of the list view: a row of the table, or the heading of a group.
    struct ViewRow {
        int row;                     // -1: a group heading
        const std::u16string* group;
    };

    EditableTable m_table;
    ITableEditor& m_editor;
    HWND m_dialog = nullptr;
    HFONT m_bold = nullptr;
    std::vector<ViewRow> m_rows;
    bool m_busy = false;
    HWND m_edit = nullptr;
    int m_editRow = -1, m_editColumn = -1;  // the view row and column under the edit
};

}  // namespace tarn::win32
