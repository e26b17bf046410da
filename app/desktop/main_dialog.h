#pragma once
// The main dialog on the desktop: its window from the template, the dialogs'
// logic (CTarnToolkitDlg) attached to it, and the modal dialogs it opens.
#include <optional>
#include <string>

#include "app/desktop/qt_dialog_host.h"
#include "app/desktop/qt_dialog_view.h"
#include "app/tarn_toolkit_dlg.h"

namespace tarn::desktop {

class MainDialog {
public:
    explicit MainDialog(IProfile& profile, CTarnToolkitDlg::Options options = {});
    ~MainDialog();
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // The dialog's initialisation; then a port given by number or path is
    // listed and selected before the automatic connect. False when that port
    // does not exist (the dialog is ready all the same).
    bool Init(const std::optional<std::u16string>& port = std::nullopt);
    // The modal run; returns the end code.
    int Exec();

    TemplateDialog& Window() { return m_view.Dialog(); }
    QtDialogView& View() { return m_view; }
    CTarnToolkitDlg& Logic() { return m_logic; }

private:
    // The view outlives the logic: the link's receive thread may post to its
    // window until the logic's link has closed.
    QtDialogView m_view;
    QtDialogHost m_host;
    CTarnToolkitDlg m_logic;
};

}  // namespace tarn::desktop
