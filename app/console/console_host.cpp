#include "app/console/console_host.h"

#include "app/console/dialog_loop.h"
#include "app/dialog_texts.h"
#include "app/dlg_toolkit_upload.h"
#include "platform/storage/replacement_file.h"

namespace tarn::console {

int ConsoleHost::RunConfirmDialog() { return m_io.Ask(kConfirmText) ? IDOK : IDCANCEL; }

void ConsoleHost::RunAboutDialog() { m_io.Message(kAboutText); }

void ConsoleHost::RunUploadDialog(CDlgToolkitUpload& dialog) {
    auto& view = *m_views.emplace_back(
        std::make_unique<ConsoleView>(m_io, IDC_UP_LOG, IDC_UP_PROGRESS, m_upload.target));
    view.SetWindowProc([&dialog](uint32_t message, WPARAM wParam, LPARAM lParam) {
        return dialog.WindowProc(message, wParam, lParam);
    });
    dialog.Attach(&view);
    dialog.OnInitDialog();
    if (m_upload.noDH) view.SetChecked(IDC_CHK_DH, false);
    if (m_upload.noMH) view.SetChecked(IDC_CHK_MH, false);
    if (m_upload.noPara) view.SetChecked(IDC_CHK_PARA, false);
    dialog.OnBnClickedUpload();
    RunUntil(view, [&dialog] { return !dialog.IsBusy(); }, m_owner);
    // The log names the reason on stdout; a failure's reason belongs on stderr too.
    if (dialog.SaveError()) m_io.Error("the image was not saved: " + OsErrorText(dialog.SaveError()));
    view.EndDialog(dialog.Outcome().Finished() ? IDOK : IDCANCEL);
    view.SetWindowProc(nullptr);  // the dialog object ends with this run
}

}  // namespace tarn::console
