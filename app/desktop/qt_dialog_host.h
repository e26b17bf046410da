#pragma once
// The modal dialogs that the main dialog opens, as windows over it: the
// confirmation, the about box, the upload dialog and the tables.
#include <QWidget>

#include "app/ui.h"

namespace tarn::desktop {

class QtDialogHost : public IDialogHost {
public:
    // The window that the dialogs stand over.
    void SetOwner(QWidget* owner) { m_owner = owner; }

    int RunConfirmDialog() override;
    void RunAboutDialog() override;
    void RunUploadDialog(CDlgToolkitUpload& dialog) override;
    void RunTableDialog(const TableReport& report) override;
    void RunEditableTableDialog(const EditableTable& table, ITableEditor& editor) override;

private:
    QWidget* m_owner = nullptr;
};

}  // namespace tarn::desktop
