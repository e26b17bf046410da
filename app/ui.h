#pragma once
// What the dialogs' logic needs of a front end: controls addressed by their
// ids, message boxes, file dialogs, timers and a window that other threads
// send and post messages to. The desktop GUI and the `tarn` command each
// implement it; tests use a recording one.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/window.h"

namespace tarn {

// Control ids of the main dialog.
constexpr int IDC_COM_PORT = 1000;
constexpr int IDC_ONLINE = 1001;
constexpr int IDC_FILE = 1002;
constexpr int IDC_TITLE = 1003;
constexpr int IDC_STATION = 1005;
constexpr int IDC_DOWNLOAD = 1006;
constexpr int IDC_GENERATE = 1007;
constexpr int IDC_PART_NUMBER = 1011;
constexpr int IDC_CHK_PARA = 1300;
constexpr int IDC_PROGRESS = 1325;
constexpr int IDC_LOG = 1326;
constexpr int IDC_CHK_PROGRAM = 1327;
constexpr int IDC_CHK_DH = 1328;
constexpr int IDC_CHK_MH = 1329;
// Control ids of the upload dialog (it shares the three check-box ids).
constexpr int IDC_UPLOAD = 3;
constexpr int IDC_UP_LOG = 1008;
constexpr int IDC_UP_PROGRESS = 1009;

constexpr uint32_t WM_TIMER = 0x0113;
// The system menu's about item.
constexpr int IDM_ABOUTBOX = 16;
// The window menu's service items (system-command ids: multiples of 16).
constexpr int IDM_COMPARE_DRIVE = 32;
constexpr int IDM_COMPARE_IMAGES = 48;
constexpr int IDM_VERIFY_AFTER = 64;
constexpr int IDM_SNAPSHOT_BEFORE = 80;
constexpr int IDM_RESTORE_SNAPSHOT = 96;
constexpr int IDM_SERVICE_HISTORY = 112;
constexpr int IDM_PARAMETERS = 128;

// An item of the window's menu: a command, or a setting that is ticked or not.
struct MenuItem {
    int command = 0;
    std::u16string text;
    std::u16string shortcut;  // as "Ctrl+K"; empty: none
    bool checkable = false;
    bool checked = false;
};

// What a table dialog shows: a title, the column heads, the rows and a line
// that sums them up.
struct TableReport {
    std::u16string title;
    std::vector<std::u16string> columns;
    std::vector<std::vector<std::u16string>> rows;
    std::u16string summary;
};

// A table whose rows come in groups and some of whose cells the user may
// edit (the drive's parameters). Rows are counted over all groups.
struct TableCell {
    std::u16string text;
    bool editable = false;
    bool marked = false;  // a value that differs from its default
};
struct EditableTable {
    std::u16string title;
    std::vector<std::u16string> columns;
    struct Row {
        std::u16string group;  // rows of one group follow each other
        std::vector<TableCell> cells;
    };
    std::vector<Row> rows;
    std::u16string summary;
};

// An open editable table dialog, as its logic sees it.
class ITableView {
public:
    virtual ~ITableView() = default;
    // The table read again; the dialog keeps its filter.
    virtual void SetTable(const EditableTable&) = 0;
    // The line under the table, after an edit changed what it counts.
    virtual void SetSummary(const std::u16string& summary) = 0;
    // While busy the table takes no edits, no refresh and no export.
    virtual void SetBusy(bool busy) = 0;
};

// Where an editable table dialog's actions go; every call comes from the
// dialog's thread.
class ITableEditor {
public:
    virtual ~ITableEditor() = default;
    // The open dialog while it shows, then null.
    virtual void AttachTable(ITableView* view) = 0;
    // The user typed `text` into a cell: the cell as it is to show now.
    virtual TableCell OnCellEdited(int row, int column, const std::u16string& text) = 0;
    virtual void OnRefresh() = 0;
    virtual void OnExport() = 0;
};

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The controls of one dialog. Every call comes from the dialog's own thread.
class IDialogView {
public:
    virtual ~IDialogView() = default;

    // Edit fields, labels and button captions.
    virtual std::u16string GetText(int id) = 0;
    virtual void SetText(int id, const std::u16string& text) = 0;
    virtual void SetTextColor(int id, Rgb color) = 0;
    // The background and text colours of a colour button, in all its states.
    virtual void SetButtonColors(int id, Rgb background, Rgb text) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    virtual void Show(int id, bool shown) = 0;

    // List boxes: appending selects the new last line.
    virtual void ListClear(int id) = 0;
    virtual void ListAppend(int id, const std::u16string& line) = 0;

    // Drop-down lists whose items carry a pointer.
    virtual void ComboClear(int id) = 0;
    virtual int ComboAdd(int id, const std::u16string& text, void* data) = 0;
    // Inserts an item before `index` (0: as the first); the selected item stays
    // selected. Returns the new item's index.
    virtual int ComboInsert(int id, int index, const std::u16string& text, void* data) = 0;
    virtual int ComboCount(int id) = 0;
    virtual int ComboGetSel(int id) = 0;  // -1: nothing selected
    virtual void ComboSetSel(int id, int index) = 0;
    virtual void* ComboGetData(int id, int index) = 0;

    // Progress bars.
    virtual void ProgressSetRange(int id, int low, int high) = 0;
    virtual void ProgressSetPos(int id, int position) = 0;

    // Timers deliver WM_TIMER (wParam: the timer id) to the dialog's window.
    virtual void SetTimer(int timerId, unsigned milliseconds) = 0;
    virtual void KillTimer(int timerId) = 0;

    // An edit field with a file-browse button: what the browse dialog offers.
    // The filter is written as "Name|*.ext||".
    virtual void SetFileBrowse(int id, const std::u16string& defaultExtension, const std::u16string& filter) = 0;
    // Appends a separator and an item to the window's system menu, when the
    // front end has one; choosing the item runs the dialog's OnSysCommand(command).
    virtual void AppendSystemMenuItem(int command, const std::u16string& text) = 0;
    // Further items of that menu (after the about item), with their keyboard
    // shortcuts; a front end without a menu ignores them.
    virtual void AppendMenuItem(const MenuItem&) {}
    virtual void SetMenuItemChecked(int /*command*/, bool /*checked*/) {}

    virtual int MessageBox(const std::u16string& text, MbButtons buttons = MbButtons::Ok,
                           MbIcon icon = MbIcon::Warning) = 0;
    struct SaveFileOptions {
        bool hideReadOnly = false;      // no "open as read-only" box
        bool confirmOverwrite = false;  // ask before an existing file is chosen
    };
    // The save-file dialog; nullopt when the user cancels.
    virtual std::optional<std::u16string> SaveFileDialog(const std::u16string& title,
                                                         const std::u16string& filter,
                                                         const std::u16string& defaultExtension,
                                                         SaveFileOptions options) = 0;
    // The open-file dialog; nullopt when the user cancels (or the front end has none).
    virtual std::optional<std::u16string> OpenFileDialog(const std::u16string& /*title*/,
                                                         const std::u16string& /*filter*/) {
        return std::nullopt;
    }
    // The dialog's window: Send runs the dialog's WindowProc on its thread and
    // waits; Post queues it there.
    virtual IWindow* Window() = 0;
    // Ends the dialog's modal run.
    virtual void EndDialog(int result) = 0;
};

class CDlgToolkitUpload;

// Modal dialogs that the main dialog opens.
class IDialogHost {
public:
    virtual ~IDialogHost() = default;
    // "Please confirm" (CDlgConfirm, texts in app/dialog_texts.h): IDOK or IDCANCEL.
    virtual int RunConfirmDialog() = 0;
    // The about box (CAboutDlg), modal.
    virtual void RunAboutDialog() = 0;
    // Gives the upload dialog a view (Attach), runs its OnInitDialog and its
    // modal run; returns when the dialog has ended.
    virtual void RunUploadDialog(CDlgToolkitUpload& dialog) = 0;
    // A modal dialog with a table (differences, the service history).
    virtual void RunTableDialog(const TableReport&) {}
    // A modal dialog with an editable table, a filter box, "Refresh" and
    // "Export..." (the parameters); attaches itself to the editor while it shows.
    virtual void RunEditableTableDialog(const EditableTable&, ITableEditor&) {}
};

}  // namespace tarn
