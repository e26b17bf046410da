#pragma once
// The main dialog and its upload dialog on recording views, on one port,
// running whole uploads and downloads as a user presses them: for the tests
// and benchmarks that put many transfers through the dialogs' logic.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/dlg_toolkit_upload.h"
#include "app/tarn_toolkit_dlg.h"
#include "platform/profile/memory_profile.h"
#include "tests/common/fast_clock.h"
#include "tests/common/recording_view.h"

namespace tarn::test {

class WorkflowRig : public IDialogHost {
public:
    // `workDir` holds the PCF files; no serial port of the machine is listed.
    WorkflowRig(const std::string& devicePath, const std::filesystem::path& workDir);
    ~WorkflowRig() override;
    WorkflowRig(const WorkflowRig&) = delete;
    WorkflowRig& operator=(const WorkflowRig&) = delete;

    // Presses Online; true when the dialog is online.
    bool Connect();
    // "Generate *.tkw" with every box ticked and `target` chosen; the upload
    // dialog's log.
    std::vector<std::string> Upload(const std::filesystem::path& target);
    // The image into the file field, Download with the boxes the image ticks,
    // the confirmation answered Ok; the main dialog's log. Empty when the
    // write did not end within `limitMs`.
    std::vector<std::string> Download(const std::filesystem::path& image, int limitMs = 600000);
    // The texts of the message boxes both dialogs showed since the last call.
    std::vector<std::string> TakeBoxes();

    CTarnToolkitDlg& Dialog() { return *m_dlg; }
    // The clock of the burn's pause and the ready wait; the rig's own passes
    // at once, null gives the real one back.
    void UseClock(ITickClock* clock) { m_dlg->m_CmdImpl.GetCmd()->SetClock(clock); }

    // The dialogs it opens: the confirmation is answered Ok.
    int RunConfirmDialog() override { return IDOK; }
    void RunUploadDialog(CDlgToolkitUpload& dialog) override;
    void RunAboutDialog() override {}

private:
    MemoryProfile m_profile;
    FastClock m_clock;
    std::filesystem::path m_uploadTarget;
    std::vector<std::string> m_uploadLog;
    std::vector<std::string> m_boxes;
    std::unique_ptr<CTarnToolkitDlg> m_dlg;
    std::unique_ptr<RecordingView> m_view;
};

}  // namespace tarn::test
