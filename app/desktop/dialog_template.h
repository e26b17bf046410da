#pragma once
// The desktop's dialog templates: each control with its id, kind, text and
// rectangle in dialog units, in template order (the order of creation and of
// the Tab key). The dialogs' fixed texts shared with the console come from
// app/dialog_texts.h; the labels and button texts here are the windows' own.
#include <span>

namespace tarn::desktop {

enum class ControlKind {
    Static,        // a label
    ColourStatic,  // a label with a settable text colour (CStaticText)
    Icon,          // the application's icon
    GroupBox,
    DropDownList,
    PushButton,
    DefaultPushButton,
    ColourButton,  // a push button drawn in colours per state (CButtonST)
    Edit,
    FileEdit,      // an edit field with a file-browse button
    CheckBox,
    ProgressBar,
    ListBox,       // unsorted, with a vertical scroll bar
};

constexpr int IDC_STATIC = -1;  // a control that is not addressed

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char16_t* text;
    int x, y, cx, cy;  // dialog units
    bool shown = true;
};

struct DialogTemplate {
    const char16_t* caption;
    int cx, cy;  // the client area in dialog units
    std::span<const ControlTemplate> controls;
};

const DialogTemplate& MainDialogTemplate();     // CTarnToolkitDlg
const DialogTemplate& UploadDialogTemplate();   // CDlgToolkitUpload
const DialogTemplate& ConfirmDialogTemplate();  // CDlgConfirm
const DialogTemplate& AboutDialogTemplate();    // CAboutDlg

}  // namespace tarn::desktop
