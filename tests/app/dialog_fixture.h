#pragma once
// The main dialog on a recording front end, with a virtual servo drive.
#include <gtest/gtest.h>

#include "tests/common/fast_clock.h"
#include "tests/common/standard_drive.h"

#include <functional>
#include <memory>
#include <optional>

#include "app/dlg_toolkit_upload.h"
#include "app/tarn_toolkit_dlg.h"
#include "platform/profile/memory_profile.h"
#include "tests/common/recording_view.h"
#include "tests/common/request_lines.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"

namespace tarn::test {

// Answers the confirmation from a script and runs the upload dialog on a
// recording view: `uploadScript` sets its boxes and presses Upload.
class ScriptedHost : public IDialogHost {
public:
    int RunConfirmDialog() override {
        ++confirms;
        return confirmAnswer;
    }
    void RunUploadDialog(CDlgToolkitUpload& dialog) override;
    void RunAboutDialog() override {}
    void RunTableDialog(const TableReport& report) override { tables.push_back(report); }

    int confirmAnswer = IDOK;
    int confirms = 0;
    std::function<void(RecordingView&, CDlgToolkitUpload&)> uploadScript;
    std::vector<std::string> uploadLog;
    std::vector<std::string> uploadBoxes;
    bool uploadEnded = false;
    std::vector<TableReport> tables;
};


class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void StartDrive(const sim::DriveDescription& description);
    // Builds the dialog (no ports found on this machine's view of sysfs, or
    // those of `ports`) and lists the virtual drive's port when there is one.
    void StartDialog(bool listDrive = true, std::optional<PortRoots> ports = std::nullopt);
    // Presses Online and waits for the result.
    void PressOnline() { dlg->OnBnClickedOnline(); }
    // StartDialog, then Online; the drive must answer.
    void StartOnline();
    // "Generate *.tkw" with the upload dialog's boxes as they come and `target`
    // chosen; the upload dialog's log.
    std::vector<std::string> Upload(const std::filesystem::path& target);
    // The image typed into the file field.
    void Load(const std::filesystem::path& image);
    // Presses Download; false when the write has not ended within `timeoutMs`.
    bool Download(int timeoutMs = 30000);
    std::vector<std::string> Log() const { return view->Log(IDC_LOG); }
    std::vector<std::string> Traffic() { return TakeRequestLines(*drive); }

    std::filesystem::path dir;
    std::filesystem::path dataFolder;  // empty: dir / "data"
    MemoryProfile profile;
    ScriptedHost host;
    std::shared_ptr<sim::ServoDrive> model;
    std::unique_ptr<sim::VirtualDrive> drive;
    std::unique_ptr<CTarnToolkitDlg> dlg;
    std::unique_ptr<RecordingView> view;
    FastClock clock;
};

}  // namespace tarn::test
