// The upload dialog: reads the chosen parts of the drive on a worker thread,
// reports the sizes read and saves them as an image.
#include "app/dlg_toolkit_upload.h"

#include "app/dialog_texts.h"
#include "app/progress_display.h"
#include "device/transfer_progress.h"
#include "image/image_file.h"
#include "params/para_mgr.h"
#include "platform/storage/replacement_file.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

const char16_t* ProgressLine(int code) {
    switch (static_cast<TransferStep>(code)) {
        case TransferStep::Parameters: return u"Reading parameter from DUT...";
        case TransferStep::DH: return u"Reading \"DH\" from DUT...";
        case TransferStep::ReadMH: return u"Reading \"MH\" from DUT...";
        case TransferStep::Finished: return u"Reading finished.";
        default: return nullptr;
    }
}

}  // namespace

CDlgToolkitUpload::CDlgToolkitUpload(CDevInfo* devInfo, CCfgExchange& configuration)
    : m_pDevInfo(devInfo), m_cfg(configuration) {}

CDlgToolkitUpload::~CDlgToolkitUpload() {
    if (m_hThread.joinable()) m_hThread.join();
}

bool CDlgToolkitUpload::OnInitDialog() {
    for (int id : {IDC_CHK_DH, IDC_CHK_MH, IDC_CHK_PARA}) m_view->SetChecked(id, true);
    m_view->ProgressSetRange(IDC_UP_PROGRESS, 0, 100);
    m_view->ProgressSetPos(IDC_UP_PROGRESS, 0);
    m_view->Show(IDC_UP_PROGRESS, false);
    m_view->ListClear(IDC_UP_LOG);
    return true;
}

void CDlgToolkitUpload::AddLog(const std::u16string& line) { m_view->ListAppend(IDC_UP_LOG, line); }

void CDlgToolkitUpload::OnBnClickedUpload() {
    if (m_busy) return;
    m_outcome = {};
    m_view->ListClear(IDC_UP_LOG);
    CCfgExchange& cfg = m_cfg;
    cfg.IncludeProgramDV = 0;
    cfg.IncludeDH = m_view->IsChecked(IDC_CHK_DH) ? 1 : 0;
    cfg.IncludeMH = m_view->IsChecked(IDC_CHK_MH) ? 1 : 0;
    cfg.IncludePara = m_view->IsChecked(IDC_CHK_PARA) ? 1 : 0;
    const auto path = m_view->SaveFileDialog(kSaveImageTitle, kSaveImageFilter, kSaveImageExtension,
                                             {.hideReadOnly = true, .confirmOverwrite = true});
    if (!path) {
        m_outcome = TransferOutcome::Declined();
        return;
    }
    m_strPath = *path;
    StartRead();
}

void CDlgToolkitUpload::OnCancel() {
    if (!m_busy) {
        m_view->EndDialog(IDCANCEL);
        return;
    }
    // The worker waits for this dialog to handle its result and save the image.
    if (!m_endWhenIdle) AddLog(u"Closing when the upload has ended...");
    m_endWhenIdle = true;
}

bool CDlgToolkitUpload::StartRead() {
    AddLog(u"Read data from DUT...");
    m_nOperation = 2;
    if (m_hThread.joinable()) m_hThread.join();
    m_busy = true;
    m_view->Enable(IDC_UPLOAD, false);
    m_hThread = std::thread([this] {
        if (m_nOperation != 2) return;
        const bool ok = m_cfg.UploadFromDevice(&CDlgToolkitUpload::Progress, this);
        m_view->Window()->Send(WM_UPLOAD_DONE, ok ? 1 : 0, 0);
    });
    return true;
}

void CDlgToolkitUpload::Progress(void* context, int code) {
    if (!context) return;
    auto* dialog = static_cast<CDlgToolkitUpload*>(context);
    dialog->m_view->Window()->Send(WM_UPLOAD_PROGRESS, static_cast<WPARAM>(static_cast<intptr_t>(code)), 0);
}

LRESULT CDlgToolkitUpload::WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_UPLOAD_PROGRESS) {
        const int code = static_cast<int>(static_cast<intptr_t>(wParam));
        ShowProgress(*m_view, IDC_UP_PROGRESS, IDC_UP_LOG, code, m_nOperation == 2 ? ProgressLine(code) : nullptr);
    } else if (message == WM_UPLOAD_DONE) {
        OnReadDone(wParam == 1);
        m_busy = false;
        m_view->Enable(IDC_UPLOAD, true);
        if (m_endWhenIdle) m_view->EndDialog(IDCANCEL);
    } else if (message == WM_DIALOG_MESSAGEBOX) {
        return WindowMessageBox::Handle(*m_view, lParam);
    }
    return 0;
}

void CDlgToolkitUpload::OnReadDone(bool ok) {
    if (m_nOperation == 1) {
        AddLog(ok ? u"Finished!" : u"Fail!");
        return;
    }
    if (m_nOperation != 2) return;
    if (!ok) {
        AddLog(u"Fail!");
        const std::u16string& reason = m_cfg.GetCmd()->m_strLastError;
        m_outcome = TransferOutcome::Failed(reason.empty() ? u"The drive could not be read." : reason);
        return;
    }
    const CCfgExchange& cfg = m_cfg;
    if (cfg.IncludePara == 1 && cfg.ParaMgr) {
        const CParaMgr& mgr = *cfg.ParaMgr;
        for (int g = 0; g < mgr.m_nGroupCount && g < static_cast<int>(mgr.m_pGroupCap.size()); ++g)
            AddLog(WidenFormat("P%d-00 ~ P%d-%02d", g, g, mgr.m_pGroupCap[g] - 1));
    }
    if (cfg.IncludeDH) AddLog(WidenFormat("DH size: %d(Words)", cfg.SectionDH_Size.image));
    AddLog(WidenFormat("MV size: %d(Words)", cfg.SectionMV_Size.image));
    AddLog(WidenFormat("X size: %d(Words)", cfg.SectionX_Size.image));
    AddLog(WidenFormat("Y size: %d(Words)", cfg.SectionY_Size.image));
    AddLog(WidenFormat("T size: %d(x2 Words)", cfg.SectionT_Size.image));
    AddLog(WidenFormat("CU size: %d(x2 Words)", cfg.SectionTU_Size.image - cfg.SectionT_Size.image));
    AddLog(WidenFormat("CD size: %d(x2 Words)", cfg.SectionTUD_Size.image / 2 - cfg.SectionTU_Size.image));
    AddLog(WidenFormat("Auto DV Addr: %d", cfg.AutoDV_StartAddr.image));
    if (!m_strPath.empty()) SaveImageFile(m_strPath);
}

bool CDlgToolkitUpload::SaveImageFile(std::u16string path) {
    m_nOperation = 1;
    AddLog(u"");
    AddLog(u"Saving data to \"" + path + u"\"...");
    int osError = 0;
    m_nSaveError = 0;
    if (!WriteImageFile(path, *m_pDevInfo, m_cfg, &osError)) {
        m_nSaveError = osError;
        // The image already at the path is untouched; the log says why this one is not there.
        if (osError) AddLog(FromUtf8(OsErrorText(osError)));
        OnReadDone(false);
        m_outcome = TransferOutcome::Failed(osError ? u"Fail!\n" + FromUtf8(OsErrorText(osError)) : u"Fail!");
        m_view->MessageBox(u"Fail!");
        return false;
    }
    OnReadDone(true);
    m_outcome = TransferOutcome::Done();
    return true;
}

}  // namespace tarn
