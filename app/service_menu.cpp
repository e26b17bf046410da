// The window menu's service items: verify and back up around a download, the
// way back to the last snapshot, the service history; and the records that
// every transfer leaves in the history.
#include <string>

#include "app/dialog_texts.h"
#include "app/drive_snapshot.h"
#include "app/service_history.h"
#include "app/tarn_toolkit_dlg.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr char16_t kServiceSection[] = u"Service";
constexpr char16_t kKeyVerify[] = u"VerifyAfterDownload";
constexpr char16_t kKeySnapshot[] = u"SnapshotBeforeDownload";

const char* ResultName(TransferOutcome::Result result) {
    switch (result) {
        case TransferOutcome::Result::NotStarted: return "not started";
        case TransferOutcome::Result::Declined: return "declined";
        case TransferOutcome::Result::Failed: return "failed";
        case TransferOutcome::Result::Finished: return "finished";
    }
    return "";
}

std::u16string Field(const nlohmann::ordered_json& record, const char* key) {
    const auto it = record.find(key);
    if (it == record.end() || it->is_null()) return u"";
    return FromUtf8(it->is_string() ? it->get<std::string>() : it->dump());
}

}  // namespace

void CTarnToolkitDlg::AppendServiceMenu() {
    if (m_options.rememberSettings) {
        m_safety.verify = m_profile.GetProfileInt(kServiceSection, kKeyVerify, 0) != 0;
        m_safety.snapshot = m_profile.GetProfileInt(kServiceSection, kKeySnapshot, 0) != 0;
    }
    m_view->AppendMenuItem({IDM_COMPARE_DRIVE, kMenuCompareDrive, u"Ctrl+D"});
    m_view->AppendMenuItem({IDM_COMPARE_IMAGES, kMenuCompareImages, u"Ctrl+I"});
    m_view->AppendMenuItem({IDM_VERIFY_AFTER, kMenuVerifyAfter, u"", true, m_safety.verify});
    m_view->AppendMenuItem({IDM_SNAPSHOT_BEFORE, kMenuSnapshotBefore, u"", true, m_safety.snapshot});
    m_view->AppendMenuItem({IDM_RESTORE_SNAPSHOT, kMenuRestoreSnapshot, u"Ctrl+R"});
    m_view->AppendMenuItem({IDM_SERVICE_HISTORY, kMenuServiceHistory, u"Ctrl+H"});
    m_view->AppendMenuItem({IDM_PARAMETERS, kMenuParameters, u"Ctrl+P"});
}

bool CTarnToolkitDlg::OnServiceCommand(int command) {
    switch (command) {
        case IDM_COMPARE_DRIVE:
            CompareImageWithDrive();
            return true;
        case IDM_COMPARE_IMAGES:
            CompareTwoImages();
            return true;
        case IDM_VERIFY_AFTER:
        case IDM_SNAPSHOT_BEFORE: {
            bool& setting = command == IDM_VERIFY_AFTER ? m_safety.verify : m_safety.snapshot;
            setting = !setting;
            m_view->SetMenuItemChecked(command, setting);
            m_profile.WriteProfileInt(kServiceSection, command == IDM_VERIFY_AFTER ? kKeyVerify : kKeySnapshot,
                                      setting ? 1 : 0);
            return true;
        }
        case IDM_RESTORE_SNAPSHOT:
            RestoreLastSnapshot();
            return true;
        case IDM_SERVICE_HISTORY:
            ShowServiceHistory();
            return true;
        case IDM_PARAMETERS:
            ShowParameters();
            return true;
        default:
            return false;
    }
}

void CTarnToolkitDlg::RestoreLastSnapshot() {
    if (m_busy) return;
    if (!m_bOnline) {
        OnBnClickedOnline();
        if (!m_bOnline) return;
    }
    const auto snapshot = LastSnapshot(m_dataFolder, m_DriveInfo);
    if (!snapshot) {
        m_view->MessageBox(WidenFormat("There is no snapshot of a drive %d, %d, %d in ", m_DriveInfo.m_wIdent1,
                                       m_DriveInfo.m_wIdent2, m_DriveInfo.m_wIdent3) +
                           FromUtf8(Utf8Of(m_dataFolder / "snapshots")) + u".");
        return;
    }
    const std::u16string path = FromUtf8(Utf8Of(*snapshot));
    if (m_view->MessageBox(u"Write the snapshot " + path + u" back into the drive?", MbButtons::YesNo,
                           MbIcon::Question) != IDYES)
        return;
    // The snapshot becomes the image in the field, and is downloaded as any image is.
    m_view->SetText(IDC_FILE, path);
    if (!ImageLoaded() || m_loaded->path != path) OnEnChangeFile();
    if (ImageLoaded()) OnBnClickedDownload();
}

void CTarnToolkitDlg::ShowServiceHistory() {
    const ServiceHistory::Entries entries = ServiceHistory(m_dataFolder).Read();
    TableReport report;
    report.title = kMenuServiceHistory;
    report.columns = {u"Time (UTC)", u"Operation", u"Result", u"Port", u"Station", u"Drive", u"Image", u"Message"};
    for (auto it = entries.records.rbegin(); it != entries.records.rend(); ++it) {
        const auto& r = *it;
        // A parameter write has no image; its message column names what it changed.
        std::u16string message = Field(r, "message");
        if (const std::string changes = ChangesText(r); !changes.empty())
            message += (message.empty() ? u"" : u"  ") + FromUtf8(changes);
        report.rows.push_back({Field(r, "time"), Field(r, "operation"), Field(r, "result"), Field(r, "port"),
                               Field(r, "station"), Field(r, "identity"), Field(r, "image"), message});
    }
    report.summary = Widen(std::to_string(entries.records.size())) + u" records, newest first";
    for (const std::string& warning : entries.warnings) report.summary += u"\n" + FromUtf8(warning);
    m_host.RunTableDialog(report);
}

bool CTarnToolkitDlg::SnapshotBeforeWrite(TransferOutcome& outcome) {
    if (!m_writeSafety.snapshot) return true;
    const std::filesystem::path file =
        m_writeSafety.snapshotFile ? *m_writeSafety.snapshotFile : NewSnapshotPath(m_dataFolder, m_DriveInfo);
    std::u16string reason;
    if (!TakeSnapshot(m_CmdImpl, m_UploadParaMgr, m_DriveInfo, file, &reason)) {
        const std::u16string text = reason + u"\nNothing was written to the drive.";
        Log(u"Snapshot failed: nothing was written.");
        m_messageBox->Show(text, MbButtons::Ok, MbIcon::Warning);
        outcome = TransferOutcome::NotStarted(text);
        return false;
    }
    m_snapshotTaken = file;
    Log(u"Snapshot of the drive saved to " + FromUtf8(Utf8Of(file)));
    return true;
}

std::string CTarnToolkitDlg::PortName() {
    const int selected = m_view->ComboGetSel(IDC_COM_PORT);
    if (selected < 0) return "";
    const int number = static_cast<_tagComInfo*>(m_view->ComboGetData(IDC_COM_PORT, selected))->nComPort;
    return m_Link.Ports().PathOf(number).value_or("COM" + std::to_string(number));
}

void CTarnToolkitDlg::Record(const std::string& operation, const TransferOutcome& outcome,
                             const std::optional<std::filesystem::path>& image, bool withSelections,
                             std::optional<int> differences) {
    ServiceRecord record;
    record.operation = operation;
    record.port = PortName();
    record.station = m_DevInst.GetStation();
    if (m_bOnline) record.drive = m_DriveInfo;
    if (image && !image->empty()) record.image = image;
    if (withSelections)
        record.selections = {{"programDV", m_view->IsChecked(IDC_CHK_PROGRAM)},
                             {"dh", m_view->IsChecked(IDC_CHK_DH)},
                             {"mh", m_view->IsChecked(IDC_CHK_MH)},
                             {"parameters", m_view->IsChecked(IDC_CHK_PARA)}};
    record.result = ResultName(outcome.result);
    record.message = ToUtf8(outcome.message);
    record.differences = differences;
    if (operation == "download") record.snapshot = m_snapshotTaken;
    AppendToHistory(record);
}

void CTarnToolkitDlg::AppendToHistory(const ServiceRecord& record) {
    std::string reason;
    if (ServiceHistory(m_dataFolder).Append(record, &reason) || m_historyWarned) return;
    m_historyWarned = true;
    m_view->MessageBox(u"The service history cannot be written (" + FromUtf8(reason) +
                       u"); transfers go on without it.");
}

}  // namespace tarn
