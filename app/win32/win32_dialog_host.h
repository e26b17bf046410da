#pragma once
// The modal dialogs that the main dialog opens, from their resource
// templates: the confirmation, the about box, the upload dialog and the tables.
#include "app/win32/windows_api.h"

#include "app/ui.h"

namespace tarn::win32 {

class Win32DialogHost : public IDialogHost {
public:
    void SetOwner(HWND owner) { m_owner = owner; }

    int RunConfirmDialog() override;
    void RunAboutDialog() override;
    void RunUploadDialog(CDlgToolkitUpload& dialog) override;
    void RunTableDialog(const TableReport& report) override;
    void RunEditableTableDialog(const EditableTable& table, ITableEditor& editor) override;

private:
    HWND m_owner = nullptr;
};

}  // namespace tarn::win32
