#include "tests/common/workflow_rig.h"

#include "platform/wide_string.h"

namespace tarn::test {

WorkflowRig::WorkflowRig(const std::string& devicePath, const std::filesystem::path& workDir) {
    CTarnToolkitDlg::Options options;
    options.ports.sysRoot = workDir / "no-sys";
    options.ports.devRoot = workDir / "no-dev";
    options.portTrace = nullptr;
    options.dataFolder = workDir / "data";
    m_dlg = std::make_unique<CTarnToolkitDlg>(m_profile, *this, options);
    m_view = std::make_unique<RecordingView>(
        [this](uint32_t m, WPARAM w, LPARAM l) { return m_dlg->WindowProc(m, w, l); });
    m_dlg->Attach(m_view.get());
    m_dlg->OnInitDialog();
    // The burn's pause and the ready wait pass at once.
    m_dlg->m_CmdImpl.GetCmd()->SetClock(&m_clock);
    m_dlg->SetPcfRoot(FromUtf8((workDir / "pcf").string()));
    m_dlg->UsePort(FromUtf8(devicePath));
}

WorkflowRig::~WorkflowRig() { m_dlg.reset(); }

bool WorkflowRig::Connect() {
    m_dlg->OnBnClickedOnline();
    return m_dlg->m_bOnline;
}

void WorkflowRig::RunUploadDialog(CDlgToolkitUpload& dialog) {
    RecordingView upload([&dialog](uint32_t m, WPARAM w, LPARAM l) { return dialog.WindowProc(m, w, l); });
    dialog.Attach(&upload);
    dialog.OnInitDialog();
    upload.saveAs = FromUtf8(m_uploadTarget.string());
    dialog.OnBnClickedUpload();
    upload.PumpUntil([&] { return !dialog.IsBusy(); }, 600000);
    m_uploadLog = upload.Log(IDC_UP_LOG);
    m_boxes.insert(m_boxes.end(), upload.boxes.begin(), upload.boxes.end());
}

std::vector<std::string> WorkflowRig::Upload(const std::filesystem::path& target) {
    m_uploadTarget = target;
    m_uploadLog.clear();
    m_dlg->OnBnClickedGenerate();
    m_view->PumpUntil([] { return true; });  // what the main window got meanwhile
    return m_uploadLog;
}

std::vector<std::string> WorkflowRig::Download(const std::filesystem::path& image, int limitMs) {
    m_view->texts[IDC_FILE] = FromUtf8(image.string());
    m_dlg->OnEnChangeFile();
    m_dlg->OnBnClickedDownload();
    if (!m_view->PumpUntil([&] { return !m_dlg->IsBusy(); }, limitMs)) return {};
    return m_view->Log(IDC_LOG);
}

std::vector<std::string> WorkflowRig::TakeBoxes() {
    std::vector<std::string> boxes = std::move(m_boxes);
    boxes.insert(boxes.end(), m_view->boxes.begin(), m_view->boxes.end());
    m_boxes.clear();
    m_view->boxes.clear();
    return boxes;
}

}  // namespace tarn::test
