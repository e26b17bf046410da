// The main dialog's logic: initialisation, the connection, the port list and
// the log. The image load and the download are in download_workflow.cpp.
#include "app/tarn_toolkit_dlg.h"

#include <unistd.h>

#include <cctype>

#include "app/dialog_texts.h"
#include "app/dlg_toolkit_upload.h"
#include "app/progress_display.h"
#include "link/link_tables.h"
#include "platform/ports/drive_port.h"
#include "platform/ports/port_enum.h"
#include "platform/data_folder.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr Rgb kOnlineBackground{255, 255, 0};
constexpr Rgb kOnlineText{255, 0, 0};
constexpr Rgb kOfflineBackground{90, 104, 66};
constexpr Rgb kOfflineText{20, 255, 197};
constexpr Rgb kLabelText{0, 0, 255};
constexpr uintptr_t kConnectTimer = 1;
constexpr unsigned kConnectDelayMs = 20;

// The station text as a decimal number: leading blanks, a sign and the leading
// digits; text without digits gives 0 ("0x7F" gives 0, "12ab" gives 12).
int ParseStation(const std::u16string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;  // saturates as the runtime's reading does
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

int& LastStation() {
    static int station = 1;
    return station;
}

CTarnToolkitDlg::CTarnToolkitDlg(IProfile& profile, IDialogHost& host, Options options,
                                 CCfgExchange& configuration)
    : m_profile(profile), m_host(host), m_Cfg(configuration), m_options(std::move(options)) {}

CTarnToolkitDlg::~CTarnToolkitDlg() {
    if (m_worker.joinable()) m_worker.join();
    m_Cfg.SetMessageBox(nullptr);
}

void CTarnToolkitDlg::SetPcfRoot(const std::u16string& root) {
    m_ParaMgr.SetPcfRoot(root);
    m_UploadParaMgr.SetPcfRoot(root);
    m_tableParams.SetPcfRoot(root);
}

bool CTarnToolkitDlg::OnInitDialog() {
    m_uiThread = std::this_thread::get_id();
    m_view->SetTextColor(IDC_TITLE, kLabelText);
    m_view->SetTextColor(IDC_PART_NUMBER, kLabelText);
    m_view->SetText(IDC_PART_NUMBER, u"");
    m_view->AppendSystemMenuItem(IDM_ABOUTBOX, kAboutMenuItem);
    m_dataFolder = m_options.dataFolder.empty() ? UserDataFolder() : m_options.dataFolder;
    AppendServiceMenu();
    InitComm();
    m_view->SetFileBrowse(IDC_FILE, kImageBrowseExtension, kImageBrowseFilter);
    InitStation();
    m_view->ProgressSetRange(IDC_PROGRESS, 0, 100);
    m_view->ProgressSetPos(IDC_PROGRESS, 0);
    m_view->Show(IDC_PROGRESS, false);
    m_view->SetTimer(kConnectTimer, kConnectDelayMs);
    ResetSectionChecks();
    return true;
}

void CTarnToolkitDlg::InitComm() {
    CCfgExchange& cfg = m_Cfg;
    cfg.SetCmdImpl(&m_CmdImpl);
    m_ImageInfo.m_wIdent1 = 3;
    m_ImageInfo.m_wIdent2 = 6;
    m_ImageInfo.m_wIdent3 = 5;
    m_CmdImpl.GetCmd()->m_pDevInst = &m_DevInst;
    m_CmdImpl.GetCmd()->m_pLink = &m_Link;
    m_ParaMgr.SetCmdImpl(&m_CmdImpl);
    m_ParaMgr.m_DevInfo = m_ImageInfo;
    m_UploadParaMgr.SetCmdImpl(&m_CmdImpl);
    m_UploadParaMgr.m_DevInfo = m_ImageInfo;
    cfg.ParaMgr = &m_ParaMgr;
    // The download's failures are shown by this dialog, on its own thread.
    m_messageBox = std::make_unique<WindowMessageBox>(m_view->Window());
    cfg.SetMessageBox(m_messageBox.get());
    m_Link.SetMainWindow(m_view->Window());
    SetOnline(false);
    FillPortList();
    m_ParaMgr.m_hNotifyWnd = m_view->Window();
    m_UploadParaMgr.m_hNotifyWnd = m_view->Window();
    for (int id : {IDC_CHK_PROGRAM, IDC_CHK_DH, IDC_CHK_MH, IDC_CHK_PARA}) m_view->SetChecked(id, true);
}

bool CTarnToolkitDlg::IsDrivePort(const std::u16string& friendlyName) const {
    return tarn::IsDrivePort(m_ImageInfo.m_wIdent1, m_ImageInfo.m_wIdent2, m_ImageInfo.m_wIdent3,
                             friendlyName);
}

void CTarnToolkitDlg::FillPortList() {
    m_PortList.RemoveAllWithDelete();
    std::unique_ptr<PortNode> nodes = EnumComPorts(m_profile, m_options.ports);
    FillPortRegistry(nodes.get(), m_Link.Ports());
    for (const PortNode* node = nodes.get(); node; node = node->pNext.get()) {
        auto record = std::make_unique<_tagComInfo>();
        record->strFriendlyName = node->strFriendlyName;
        record->nComPort = node->nPort;
        _tagComInfo* listed = m_PortList.AddTail(std::move(record));
        TracePort(m_options.portTrace, node->nPort, node->strFriendlyName);
        if (IsDrivePort(node->strFriendlyName))
            m_view->ComboAdd(IDC_COM_PORT, WidenFormat("Port %d:'", node->nPort) + node->strFriendlyName + u"'",
                             listed);
    }
    const int remembered = m_profile.GetProfileInt(kSectionComm, kKeyComPortSel, kDefaultComPortSel);
    const int count = m_view->ComboCount(IDC_COM_PORT);
    for (int i = 0; i < count; ++i) {
        if (static_cast<_tagComInfo*>(m_view->ComboGetData(IDC_COM_PORT, i))->nComPort == remembered) {
            m_view->ComboSetSel(IDC_COM_PORT, i);
            return;
        }
    }
    if (count > 0) m_view->ComboSetSel(IDC_COM_PORT, 0);
}

int CTarnToolkitDlg::UsePort(const std::u16string& numberOrPath) {
    int number = -1;
    const std::string text = ToUtf8(numberOrPath);
    if (text.find('/') != std::string::npos) {
        if (::access(text.c_str(), F_OK) != 0) return -1;
        auto known = m_Link.Ports().NumberOf(text);
        if (known) {
            number = *known;
        } else {
            // A path of the user's own gets a number above every listed one.
            number = 1000;
            while (m_Link.Ports().PathOf(number)) ++number;
            m_Link.Ports().Assign(number, text);
        }
    } else {
        const int parsed = ParseStation(numberOrPath);
        if (parsed <= 0 || !m_Link.Ports().PathOf(parsed)) return -1;
        number = parsed;
    }
    const int count = m_view->ComboCount(IDC_COM_PORT);
    for (int i = 0; i < count; ++i) {
        if (static_cast<_tagComInfo*>(m_view->ComboGetData(IDC_COM_PORT, i))->nComPort == number) {
            // Selected for this run only: the remembered port stays the user's pick.
            m_view->ComboSetSel(IDC_COM_PORT, i);
            return number;
        }
    }
    auto record = std::make_unique<_tagComInfo>();
    record->nComPort = number;
    record->strFriendlyName = numberOrPath;
    _tagComInfo* listed = m_PortList.AddTail(std::move(record));
    // The user's own port goes first, ahead of the ones found.
    const int index = m_view->ComboInsert(IDC_COM_PORT, 0, WidenFormat("Port %d:'", number) + numberOrPath + u"'", listed);
    m_view->ComboSetSel(IDC_COM_PORT, index);
    return number;
}

void CTarnToolkitDlg::InitStation() {
    int station = LastStation();
    if (station == 0) {
        const std::u16string text = m_profile.GetProfileString(kSectionComm, kKeyStation, kDefaultStation);
        LastStation() = ParseStation(text);
        station = LastStation();
    }
    m_nStation = station;
    m_view->SetText(IDC_STATION, WidenFormat("%d", station));
}

void CTarnToolkitDlg::SetOnline(bool online) {
    m_bOnline = online;
    m_view->SetText(IDC_ONLINE, online ? u"Online" : u"Offline");
    m_view->SetButtonColors(IDC_ONLINE, online ? kOnlineBackground : kOfflineBackground,
                            online ? kOnlineText : kOfflineText);
}

void CTarnToolkitDlg::OnBnClickedOnline() {
    if (m_busy) return;  // the link belongs to the running transfer
    const std::u16string text = m_view->GetText(IDC_STATION);
    m_nStation = ParseStation(text);
    LastStation() = m_nStation;
    m_profile.WriteProfileString(kSectionComm, kKeyStation, text);
    m_DevInst.SetStation(static_cast<uint8_t>(m_nStation & 0xFF));

    if (m_view->ComboCount(IDC_COM_PORT) == 0) return;
    const int selected = m_view->ComboGetSel(IDC_COM_PORT);
    if (selected < 0) return;
    const int port = static_cast<_tagComInfo*>(m_view->ComboGetData(IDC_COM_PORT, selected))->nComPort;

    if (m_bOnline) {
        m_Link.ClosePort(true);
        SetOnline(false);
        return;
    }
    m_Link.ClosePort(true);
    if (m_Link.OpenPort(port, kLinkBaudCode, kLinkProtocolCode) != 1) {
        ConnectFailed();
        return;
    }
    uint16_t station = 0;
    if (m_CmdImpl.GetCmd()->ReadStationNo(&station)) {
        m_DevInst.SetStation(static_cast<uint8_t>(station & 0xFF));
    } else {
        int found = 0, baud = 0, protocol = 0;
        if (!m_Link.AutoDetect(port, &found, &baud, &protocol)) {
            ConnectFailed();
            return;
        }
        m_DevInst.SetStation(static_cast<uint8_t>(found & 0xFF));
        m_view->SetText(IDC_STATION, WidenFormat("%d", found));
        if (m_Link.OpenPort(port, baud, protocol) != 1) {
            ConnectFailed();
            return;
        }
    }
    SetOnline(true);
    // The connection stays online whatever the identity read gives; a raised
    // failure is shown.
    m_bDriveInfoRead = false;
    try {
        m_bDriveInfoRead = m_CmdImpl.GetCmd()->ReadDevInfo(m_DriveInfo);
    } catch (const std::u16string& message) {
        m_view->MessageBox(message);
    }
}

// The connect ends offline; the log says what was tried, as the link saw it.
void CTarnToolkitDlg::ConnectFailed() {
    SetOnline(false);
    const auto* record =
        static_cast<_tagComInfo*>(m_view->ComboGetData(IDC_COM_PORT, m_view->ComboGetSel(IDC_COM_PORT)));
    const std::u16string port = WidenFormat("Port %d:'", record->nComPort) + record->strFriendlyName + u"'";
    if (m_Link.OpenError() != 0) {
        const std::u16string reason = m_Link.GetErrMsg();  // its last line names the cause
        AddLog(u"Cannot open " + port + u": " + reason.substr(reason.find_last_of(u'\n') + 1));
    } else {
        AddLog(u"No drive answers on " + port + WidenFormat(" at station %d or 255.", m_DevInst.GetStation()));
    }
}

void CTarnToolkitDlg::OnCbnSelchangeComPort() {
    const int selected = m_view->ComboGetSel(IDC_COM_PORT);
    if (selected < 0) return;
    const auto* record = static_cast<_tagComInfo*>(m_view->ComboGetData(IDC_COM_PORT, selected));
    m_profile.WriteProfileInt(kSectionComm, kKeyComPortSel, record->nComPort);
}

void CTarnToolkitDlg::OnTimer(uintptr_t timerId) {
    if (timerId != kConnectTimer) return;
    m_view->KillTimer(kConnectTimer);
    OnBnClickedOnline();
}

bool CTarnToolkitDlg::OnSysCommand(int command) {
    if ((command & 0xFFF0) != IDM_ABOUTBOX) return OnServiceCommand(command & 0xFFF0);
    m_host.RunAboutDialog();
    return true;
}

void CTarnToolkitDlg::EndWhenIdle(int result) {
    if (!m_busy) {
        m_view->EndDialog(result);
        return;
    }
    // The worker reports into this dialog: ending now would leave it without a
    // window, so the dialog ends when the worker's last message has been handled.
    if (!m_endWhenIdle) AddLog(u"Closing when the transfer has ended...");
    m_endWhenIdle = result;
}

void CTarnToolkitDlg::OnBnClickedGenerate() {
    if (m_busy) return;
    if (!m_bOnline) {
        OnBnClickedOnline();
        if (!m_bOnline) return;
    }
    // An image whose identity was not read whole can never be written back.
    if (!m_bDriveInfoRead) {
        m_view->MessageBox(kIdentityUnread);
        m_lastUpload = TransferOutcome::NotStarted(kIdentityUnread);
        return;
    }
    // The upload reads into a configuration of its own: the image loaded for a
    // download stays exactly as it was, whatever the upload does.
    CCfgExchange drive;
    drive.SetCmdImpl(&m_CmdImpl);
    drive.ParaMgr = &m_UploadParaMgr;
    CDlgToolkitUpload upload(&m_DriveInfo, drive);
    m_host.RunUploadDialog(upload);
    m_lastUpload = upload.Outcome();
    // A dialog closed without an upload pressed did nothing worth a record.
    if (m_lastUpload.result != TransferOutcome::Result::NotStarted || !m_lastUpload.message.empty())
        Record("upload", m_lastUpload,
               upload.m_strPath.empty() ? std::nullopt
                                        : std::optional(FsPath(upload.m_strPath)),
               false);
    // The parameter download checks the drive against the identity whose
    // definitions were last learned, as it did when uploads shared the manager.
    if (m_lastUpload.Finished()) m_ParaMgr.m_DevInfo = m_UploadParaMgr.m_DevInfo;
}

void CTarnToolkitDlg::AddLog(const std::u16string& line) { m_view->ListAppend(IDC_LOG, line); }

void CTarnToolkitDlg::LogWhenNoPortIsListed() {
    if (m_view->ComboCount(IDC_COM_PORT) == 0)
        AddLog(u"No USB serial bridge for the drive was found: the port list is empty.");
}

void CTarnToolkitDlg::Log(const std::u16string& line) {
    if (std::this_thread::get_id() == m_uiThread)
        AddLog(line);
    else
        m_view->Window()->Send(WM_DIALOG_LOG, 0, reinterpret_cast<LPARAM>(&line));
}

void CTarnToolkitDlg::ResetSectionChecks() {
    for (int id : {IDC_CHK_PROGRAM, IDC_CHK_DH, IDC_CHK_MH, IDC_CHK_PARA}) {
        m_view->SetChecked(id, false);
        m_view->Enable(id, false);
    }
}

void CTarnToolkitDlg::EnableTransferInputs(bool enabled) {
    for (int id : {IDC_ONLINE, IDC_FILE, IDC_DOWNLOAD, IDC_GENERATE}) m_view->Enable(id, enabled);
}

LRESULT CTarnToolkitDlg::WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            OnTimer(wParam);
            break;
        case WM_TOOLKIT_PROGRESS:
            OnProgress(static_cast<int>(static_cast<intptr_t>(wParam)));
            break;
        case WM_PARA_LOG:
            AddLog(m_ParaMgr.m_strLog);
            break;
        case WM_PARA_PROGRESS:
            if (m_nOperation == 3)
                ShowParameterProgress(*m_view, IDC_PROGRESS, static_cast<int>(wParam), static_cast<int>(lParam),
                                      NextStageCode(GetCfgExchange()));
            break;
        case WM_DIALOG_LOG:
            AddLog(*reinterpret_cast<const std::u16string*>(lParam));
            break;
        case WM_DIALOG_MESSAGEBOX:
            return WindowMessageBox::Handle(*m_view, lParam);
        case WM_WORKER_ENDED:
            m_busy = false;
            if (m_nOperation == kOperationCompare) {
                // Shown once the worker is free: the table is modal.
                if (!m_endWhenIdle) m_view->Window()->Post(WM_COMPARISON_READY, 0, 0);
            } else if (m_nOperation == kOperationParameters) {
                ParametersRead();
            } else {
                m_lastDownload = m_workerOutcome;
                Record("download", m_lastDownload, FsPath(m_loaded ? m_loaded->path : u""),
                       true, m_verifyDifferences);
            }
            EnableTransferInputs(true);
            if (m_endWhenIdle) m_view->EndDialog(*m_endWhenIdle);
            break;
        case WM_COMPARISON_READY:
            ShowComparison();
            break;
        case WM_PARAMETERS_PROGRESS:
            m_view->Show(IDC_PROGRESS, true);
            if (lParam > 0)
                m_view->ProgressSetPos(IDC_PROGRESS, static_cast<int>(100 * static_cast<intptr_t>(wParam) / lParam));
            break;
        case WM_PARAMETERS_READY:
            OpenParameterTable();
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace tarn
