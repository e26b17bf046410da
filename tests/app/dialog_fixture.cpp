#include "dialog_fixture.h"

#include <unistd.h>

#include <filesystem>

#include "platform/wide_string.h"

namespace tarn::test {

void ScriptedHost::RunUploadDialog(CDlgToolkitUpload& dialog) {
    RecordingView upload([&dialog](uint32_t m, WPARAM w, LPARAM l) { return dialog.WindowProc(m, w, l); });
    dialog.Attach(&upload);
    dialog.OnInitDialog();
    if (uploadScript) uploadScript(upload, dialog);
    upload.PumpUntil([&] { return !dialog.IsBusy(); });
    uploadLog = upload.Log(IDC_UP_LOG);
    uploadBoxes = upload.boxes;
    uploadEnded = upload.ended;
}

void DialogTest::SetUp() {
    dir = std::filesystem::path(::testing::TempDir()) / ("tarn-app-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "sys");
    LastStation() = 1;
    CCfgExchange& cfg = GetCfgExchange();
    cfg.DataValid = false;
    cfg.IncludeProgramDV = cfg.IncludeDH = cfg.IncludeMH = cfg.IncludePara = 0;
    StartDrive(StandardDrive());
}

void DialogTest::TearDown() {
    // A worker still reporting needs this thread to handle its messages.
    if (dlg) view->PumpUntil([&] { return !dlg->IsBusy(); });
    dlg.reset();
    std::filesystem::remove_all(dir);
}

void DialogTest::StartDrive(const sim::DriveDescription& description) {
    drive.reset();
    model = std::make_shared<sim::ServoDrive>(description);
    drive = std::make_unique<sim::VirtualDrive>(description.station, model);
}

void DialogTest::StartDialog(bool listDrive, std::optional<PortRoots> ports) {
    CTarnToolkitDlg::Options options;
    options.ports = ports ? *ports : PortRoots{dir / "sys", dir / "dev"};
    options.portTrace = nullptr;
    options.dataFolder = dataFolder.empty() ? dir / "data" : dataFolder;
    dlg = std::make_unique<CTarnToolkitDlg>(profile, host, options);
    view = std::make_unique<RecordingView>(
        [this](uint32_t m, WPARAM w, LPARAM l) { return dlg->WindowProc(m, w, l); });
    dlg->Attach(view.get());
    dlg->OnInitDialog();
    dlg->m_CmdImpl.GetCmd()->SetClock(&clock);
    dlg->SetPcfRoot(FromUtf8((dir / "pcf").string()));
    if (listDrive) {
        ASSERT_GT(dlg->UsePort(FromUtf8(drive->Path())), 0);
    }
}

void DialogTest::StartOnline() {
    StartDialog();
    PressOnline();
    ASSERT_TRUE(dlg->m_bOnline);
}

std::vector<std::string> DialogTest::Upload(const std::filesystem::path& target) {
    host.uploadScript = [target](RecordingView& upload, CDlgToolkitUpload& dialog) {
        upload.saveAs = FromUtf8(target.string());
        dialog.OnBnClickedUpload();
    };
    dlg->OnBnClickedGenerate();
    return host.uploadLog;
}

void DialogTest::Load(const std::filesystem::path& image) {
    view->texts[IDC_FILE] = FromUtf8(image.string());
    dlg->OnEnChangeFile();
}

bool DialogTest::Download(int timeoutMs) {
    dlg->OnBnClickedDownload();
    return view->PumpUntil([&] { return !dlg->IsBusy(); }, timeoutMs);
}

}  // namespace tarn::test
