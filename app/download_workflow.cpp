// The main dialog's download: loading the image named in the file field, the
// checks before writing, and the worker that writes the image into the drive.
#include <algorithm>
#include <filesystem>

#include "app/dialog_texts.h"
#include "app/download_checks.h"
#include "app/progress_display.h"
#include "app/tarn_toolkit_dlg.h"
#include "image/image_file.h"
#include "image/stored_file.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

// The log line of a progress code of the write; null for codes without one.
const char16_t* ProgressLine(int code) {
    switch (code) {
        case 2: return u"Writing \"Parameter\"...";
        case -2: return u"Writing \"Parameter\"...FAIL!";
        case 5: return u"Writing \"Section size configuration\"...";
        case 15: return u"Writing \"DV\"...";
        case 30: return u"Writing \"Program\"...";
        case 50: return u"Writing \"DH\"...";
        case 70: return u"Writing \"MH\"...";
        case 85: return u"Burning and verifying...";
        case 100: return u"Finished.";
        default: return nullptr;
    }
}

bool FileExists(const std::u16string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(std::filesystem::path(ToUtf8(path)), ec);
}

}  // namespace

void CTarnToolkitDlg::OnEnChangeFile() {
    // The running download reads the loaded image: it stays as it is.
    if (m_busy) return;
    ResetSectionChecks();
    if (!FileExists(m_view->GetText(IDC_FILE)) || !LoadImageFile()) return;
    const CCfgExchange& cfg = GetCfgExchange();
    const std::pair<uint32_t, int> boxes[] = {{cfg.IncludeProgramDV, IDC_CHK_PROGRAM},
                                              {cfg.IncludeDH, IDC_CHK_DH},
                                              {cfg.IncludeMH, IDC_CHK_MH},
                                              {cfg.IncludePara, IDC_CHK_PARA}};
    for (const auto& [included, id] : boxes) {
        if (!included) continue;
        m_view->Enable(id, true);
        m_view->SetChecked(id, true);
    }
}

bool CTarnToolkitDlg::LoadImageFile() {
    const std::u16string path = m_view->GetText(IDC_FILE);
    m_nOperation = 2;
    m_view->ListClear(IDC_LOG);
    AddLog(u"Read data from \"" + path + u"\"...");
    CCfgExchange& cfg = GetCfgExchange();
    const ImageLoadOutcome outcome = ReadImageFile(path, m_ImageInfo, cfg);
    switch (outcome.step) {
        case ImageLoadOutcome::Step::HeaderRefused:
            m_view->MessageBox(StoredFileMessage(outcome.containerCode));
            return false;
        case ImageLoadOutcome::Step::ContentFailed:
            m_view->MessageBox(u"Fail!");
            return false;
        case ImageLoadOutcome::Step::WorkingCopyFailed:
            m_view->MessageBox(FromUtf8(WorkingCopyFailure(ToUtf8(path), outcome)));
            return false;
        case ImageLoadOutcome::Step::NoFile:
        case ImageLoadOutcome::Step::NotOpened:
            return false;
        case ImageLoadOutcome::Step::Loaded:
            break;
    }
    m_strMachineKey = cfg.MachineKey;
    // The key itself is never shown.
    m_view->SetText(IDC_PART_NUMBER,
                    m_strMachineKey.empty() ? cfg.PartNumber : cfg.PartNumber + u" (Machine key=xxxx)");
    AddLog(u"Load " + path + u" ...finished!");
    m_bImageLoaded = true;
    return true;
}

void CTarnToolkitDlg::OnBnClickedDownload() {
    if (m_busy) return;
    if (!m_bOnline) {
        OnBnClickedOnline();
        if (!m_bOnline) return;
    }
    if (!m_bImageLoaded && !LoadImageFile()) return;
    // Asked before anything is written, so that No leaves the drive untouched.
    if (!ConfirmDownloadChecks(*m_view, m_view->IsChecked(IDC_CHK_PARA) ? GetCfgExchange().ParaMgr : nullptr,
                               m_ImageInfo, m_DriveInfo))
        return;
    CDeviceCmd* cmd = m_CmdImpl.GetCmd();
    const bool sections = m_view->IsChecked(IDC_CHK_PROGRAM);
    if (sections) {
        if (m_host.RunConfirmDialog() != IDOK) return;
        // P5-39, P5-59 and P5-88 to 0 on every axis; their results are not tested.
        for (int axis = 0; axis < 3; ++axis)
            for (int item : {39, 59, 88}) cmd->WriteParam(5, item, 0, axis);
    }
    if (m_ImageInfo.m_wIdent1 != m_DriveInfo.m_wIdent1 || m_ImageInfo.m_wIdent2 != m_DriveInfo.m_wIdent2 ||
        m_ImageInfo.m_wIdent3 != m_DriveInfo.m_wIdent3) {
        m_view->MessageBox(u"Machine is not match!");
        return;
    }
    CCfgExchange& cfg = GetCfgExchange();
    cfg.ReadDeviceSizes();
    if (!sections && m_view->IsChecked(IDC_CHK_DH) && cfg.SectionDH_Size.image > cfg.SectionDH_Size.drive &&
        m_view->MessageBox(kDHQuestion, MbButtons::YesNo, MbIcon::Question) != IDYES)
        return;
    cfg.DownloadSizes = sections;
    cfg.DownloadProgramDV = sections;
    cfg.DownloadDH = m_view->IsChecked(IDC_CHK_DH);
    cfg.DownloadMH = m_view->IsChecked(IDC_CHK_MH);
    cfg.DownloadPara = m_view->IsChecked(IDC_CHK_PARA);
    StartWrite();
}

bool CTarnToolkitDlg::StartWrite() {
    if (!GetCfgExchange().DataValid) {
        m_view->MessageBox(u"No valid data to write!");
        return false;
    }
    AddLog(u"Write data to DUT...");
    m_nOperation = 3;
    if (m_worker.joinable()) m_worker.join();
    // No second transfer, connect or upload while this one runs.
    m_busy = true;
    EnableTransferInputs(false);
    m_worker = std::thread([this] { RunOperation(); });
    return true;
}

int CTarnToolkitDlg::RunOperation() {
    if (m_nOperation == 3) ReportResult(GetCfgExchange().DownloadToDevice(m_view->Window()));
    m_view->Window()->Send(WM_WORKER_ENDED, 0, 0);
    return 0;
}

void CTarnToolkitDlg::ReportResult(bool ok) {
    if (m_nOperation == 3) Log(ok ? u"Finished!" : u"Fail!");
}

void CTarnToolkitDlg::OnProgress(int code) {
    ShowProgress(*m_view, IDC_PROGRESS, IDC_LOG, code, m_nOperation == 3 ? ProgressLine(code) : nullptr);
}

}  // namespace tarn
