// The main dialog's download: loading the image named in the file field, the
// checks before writing, and the worker that writes the image into the drive.
#include <algorithm>
#include <filesystem>

#include "app/comparison_report.h"
#include "app/dialog_texts.h"
#include "app/download_checks.h"
#include "app/progress_display.h"
#include "app/tarn_toolkit_dlg.h"
#include "device/transfer_progress.h"
#include "image/image_file.h"
#include "image/stored_file.h"
#include "platform/wide_string.h"
#include "review/difference_rows.h"
#include "review/drive_comparison.h"

namespace tarn {

namespace {

// The log line of a progress code of the write; null for codes without one.
const char16_t* ProgressLine(int code) {
    switch (static_cast<TransferStep>(code)) {
        case TransferStep::Parameters: return u"Writing \"Parameter\"...";
        case TransferStep::ParametersFailed: return u"Writing \"Parameter\"...FAIL!";
        case TransferStep::Sizes: return u"Writing \"Section size configuration\"...";
        case TransferStep::DV: return u"Writing \"DV\"...";
        case TransferStep::Program: return u"Writing \"Program\"...";
        case TransferStep::DH: return u"Writing \"DH\"...";
        case TransferStep::WriteMH: return u"Writing \"MH\"...";
        case TransferStep::Burn: return u"Burning and verifying...";
        case TransferStep::Finished: return u"Finished.";
        default: return nullptr;
    }
}

constexpr const char16_t* kImageChanged =
    u"The image file has changed since it was loaded. It has been loaded again: check what to download, "
    u"then press Download again.";

bool FileExists(const std::u16string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

}  // namespace

std::optional<CTarnToolkitDlg::LoadedImage> CTarnToolkitDlg::Stamp(const std::u16string& path) {
    std::error_code ec;
    const std::filesystem::path file = FsPath(path);
    LoadedImage stamp{path, std::filesystem::last_write_time(file, ec), 0};
    if (ec) return std::nullopt;
    stamp.size = std::filesystem::file_size(file, ec);
    if (ec) return std::nullopt;
    return stamp;
}

void CTarnToolkitDlg::OnEnChangeFile() {
    // The running download reads the loaded image: it stays as it is.
    if (m_busy) return;
    ResetSectionChecks();
    // What the label shows belongs to the image that was in the field.
    if (m_loaded && m_loaded->path != m_view->GetText(IDC_FILE)) m_loaded.reset();
    if (!m_loaded) m_view->SetText(IDC_PART_NUMBER, u"");
    if (!FileExists(m_view->GetText(IDC_FILE)) || !LoadImageFile()) return;
    const CCfgExchange& cfg = m_Cfg;
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
    // Nothing of an earlier image stays: the configuration holds this one or
    // nothing, and a download loads again until it holds this one.
    m_loaded.reset();
    m_strMachineKey.clear();
    m_view->SetText(IDC_PART_NUMBER, u"");
    CCfgExchange& cfg = m_Cfg;
    cfg.ClearContent();
    m_ParaMgr.ClearTable();
    const std::optional<LoadedImage> stamp = Stamp(path);
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
    m_loaded = stamp;
    return true;
}

bool CTarnToolkitDlg::EnsureImageLoaded() {
    const std::u16string path = m_view->GetText(IDC_FILE);
    if (m_loaded && m_loaded->path == path) {
        const std::optional<LoadedImage> now = Stamp(path);
        if (now && now->modified == m_loaded->modified && now->size == m_loaded->size) return true;
        // Another image under the same name (a backup saved over it, say): what
        // the boxes offer may no longer be in it.
        OnEnChangeFile();
        m_view->MessageBox(kImageChanged);
        m_lastDownload = TransferOutcome::NotStarted(kImageChanged);
        return false;
    }
    if (LoadImageFile()) return true;
    m_lastDownload = TransferOutcome::NotStarted(u"The image did not load.");
    return false;
}

void CTarnToolkitDlg::OnBnClickedDownload() {
    if (m_busy) return;
    StartDownload();
    // A write that started is recorded when its worker ends.
    if (!m_busy && m_bOnline) Record("download", m_lastDownload, FsPath(m_view->GetText(IDC_FILE)), true);
}

void CTarnToolkitDlg::StartDownload() {
    m_lastDownload = TransferOutcome::NotStarted(u"No drive is connected.");
    if (!m_bOnline) {
        OnBnClickedOnline();
        if (!m_bOnline) return;
    }
    // The image named in the field is what gets written, loaded afresh when the
    // configuration does not hold it as it is on the disk.
    if (!EnsureImageLoaded()) return;
    // Asked before anything is written, so that No leaves the drive untouched.
    if (!ConfirmDownloadChecks(*m_view, m_view->IsChecked(IDC_CHK_PARA) ? m_Cfg.ParaMgr : nullptr, m_ImageInfo,
                               m_DriveInfo)) {
        m_lastDownload = TransferOutcome::Declined();
        return;
    }
    CDeviceCmd* cmd = m_CmdImpl.GetCmd();
    const bool sections = m_view->IsChecked(IDC_CHK_PROGRAM);
    if (sections) {
        if (m_host.RunConfirmDialog() != IDOK) {
            m_lastDownload = TransferOutcome::Declined();
            return;
        }
        // P5-39, P5-59 and P5-88 to 0 on every axis; their results are not tested.
        for (int axis = 0; axis < 3; ++axis)
            for (int item : {39, 59, 88}) cmd->WriteParam(5, item, 0, axis);
    }
    if (m_ImageInfo.m_wIdent1 != m_DriveInfo.m_wIdent1 || m_ImageInfo.m_wIdent2 != m_DriveInfo.m_wIdent2 ||
        m_ImageInfo.m_wIdent3 != m_DriveInfo.m_wIdent3) {
        m_view->MessageBox(u"Machine is not match!");
        m_lastDownload = TransferOutcome::NotStarted(u"Machine is not match!");
        return;
    }
    CCfgExchange& cfg = m_Cfg;
    cfg.ReadDeviceSizes();
    if (!sections && m_view->IsChecked(IDC_CHK_DH) && cfg.SectionDH_Size.image > cfg.SectionDH_Size.drive &&
        m_view->MessageBox(kDHQuestion, MbButtons::YesNo, MbIcon::Question) != IDYES) {
        m_lastDownload = TransferOutcome::Declined();
        return;
    }
    cfg.DownloadSizes = sections;
    cfg.DownloadProgramDV = sections;
    cfg.DownloadDH = m_view->IsChecked(IDC_CHK_DH);
    cfg.DownloadMH = m_view->IsChecked(IDC_CHK_MH);
    cfg.DownloadPara = m_view->IsChecked(IDC_CHK_PARA);
    StartWrite();
}

bool CTarnToolkitDlg::StartWrite() {
    if (!m_Cfg.DataValid) {
        m_view->MessageBox(u"No valid data to write!");
        m_lastDownload = TransferOutcome::NotStarted(u"No valid data to write!");
        return false;
    }
    AddLog(u"Write data to DUT...");
    m_nOperation = 3;
    m_snapshotTaken.reset();
    m_verifyDifferences.reset();
    m_writeSafety = m_safety;
    StartWorker();
    return true;
}

void CTarnToolkitDlg::StartWorker() {
    if (m_worker.joinable()) m_worker.join();
    // No second transfer, connect or upload while this one runs.
    m_busy = true;
    EnableTransferInputs(false);
    m_worker = std::thread([this] { RunOperation(); });
}

int CTarnToolkitDlg::RunOperation() {
    m_workerOutcome = {};
    if (m_nOperation == 3 && SnapshotBeforeWrite(m_workerOutcome)) {
        const bool ok = m_Cfg.DownloadToDevice(m_view->Window());
        ReportResult(ok);
        m_workerOutcome = ok ? TransferOutcome::Done() : TransferOutcome::Failed(m_Cfg.LastFailure());
        if (ok && m_writeSafety.verify) m_workerOutcome = VerifyWritten();
    } else if (m_nOperation == kOperationCompare) {
        RunComparison();
    } else if (m_nOperation == kOperationParameters) {
        ReadTableParameters();
    }
    m_view->Window()->Send(WM_WORKER_ENDED, 0, 0);
    return 0;
}

TransferOutcome CTarnToolkitDlg::VerifyWritten() {
    Log(u"Verifying...");
    try {
        const review::Comparison read = review::VerifyDownload(m_CmdImpl, {m_ImageInfo, m_Cfg, m_ParaMgr});
        m_verifyDifferences = static_cast<int>(read.differences.size());
        if (read.Same()) {
            Log(u"Verified");
            return TransferOutcome::Done();
        }
        Log(u"Verify failed");
        const std::u16string summary = FromUtf8(review::Summary(read, ""));
        m_messageBox->Show(u"Verify failed: the drive does not hold what was written. " + summary +
                               FirstDifferences(read, 5),
                           MbButtons::Ok, MbIcon::Warning);
        return TransferOutcome::Failed(u"Verify failed: " + summary);
    } catch (const std::u16string& reason) {
        Log(u"Verify failed");
        const std::u16string text = u"Verify failed: the drive could not be read back: " + reason;
        m_messageBox->Show(text, MbButtons::Ok, MbIcon::Warning);
        return TransferOutcome::Failed(text);
    }
}

void CTarnToolkitDlg::ReportResult(bool ok) {
    if (m_nOperation == 3) Log(ok ? u"Finished!" : u"Fail!");
}

void CTarnToolkitDlg::OnProgress(int code) {
    ShowProgress(*m_view, IDC_PROGRESS, IDC_LOG, code, m_nOperation == 3 ? ProgressLine(code) : nullptr);
}

}  // namespace tarn
