#include "app/desktop/qt_dialog_host.h"

#include <QPushButton>

#include "app/desktop/editable_table_dialog.h"
#include "app/desktop/qt_dialog_view.h"
#include "app/desktop/table_dialog.h"
#include "app/desktop/template_dialog.h"
#include "app/dlg_toolkit_upload.h"

namespace tarn::desktop {

namespace {

// A dialog without behaviour of its own: its buttons end it with their ids.
int RunFixedDialog(const DialogTemplate& dialogTemplate, QWidget* owner) {
    TemplateDialog dialog(dialogTemplate, owner);
    for (int id : {IDOK, IDCANCEL})
        if (auto* button = dialog.ControlAs<QPushButton>(id))
            QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, id] { dialog.done(id); });
    dialog.SetOkHandler([&dialog] { dialog.done(IDOK); });
    dialog.SetCancelHandler([&dialog] { dialog.done(IDCANCEL); });
    return dialog.exec();
}

}  // namespace

int QtDialogHost::RunConfirmDialog() { return RunFixedDialog(ConfirmDialogTemplate(), m_owner) == IDOK ? IDOK : IDCANCEL; }

void QtDialogHost::RunAboutDialog() { RunFixedDialog(AboutDialogTemplate(), m_owner); }

void QtDialogHost::RunUploadDialog(CDlgToolkitUpload& dialog) {
    QtDialogView view(UploadDialogTemplate(), m_owner);
    view.SetWindowProc([&dialog](uint32_t message, WPARAM wParam, LPARAM lParam) {
        return dialog.WindowProc(message, wParam, lParam);
    });
    view.OnClicked(IDC_UPLOAD, [&dialog] { dialog.OnBnClickedUpload(); });
    view.Dialog().SetOkHandler([&dialog] { dialog.OnOK(); });
    view.Dialog().SetCancelHandler([&dialog] { dialog.OnCancel(); });
    dialog.Attach(&view);
    dialog.OnInitDialog();
    view.Dialog().exec();
    // The dialog ends only once its worker's last message has been handled.
    view.SetWindowProc(nullptr);
    dialog.Attach(nullptr);
}

void QtDialogHost::RunTableDialog(const TableReport& report) {
    TableDialog dialog(report, m_owner);
    dialog.exec();
}

void QtDialogHost::RunEditableTableDialog(const EditableTable& table, ITableEditor& editor) {
    EditableTableDialog dialog(table, editor, m_owner);
    editor.AttachTable(&dialog);
    dialog.exec();
    editor.AttachTable(nullptr);
}

}  // namespace tarn::desktop
