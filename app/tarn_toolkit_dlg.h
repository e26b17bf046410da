#pragma once
// The main dialog's logic: the connection to one drive, the port list, the
// image load and the download, and the way into the upload. It owns every
// long-lived object of the tool and runs against any front end's view.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/service_history.h"
#include "app/transfer_outcome.h"
#include "app/ui.h"
#include "app/window_message_box.h"
#include "device/cmd_impl.h"
#include "device/device_inst.h"
#include "image/cfg_exchange.h"
#include "image/dev_info.h"
#include "link/hct_comm.h"
#include "params/para_mgr.h"
#include "platform/ports/com_info.h"
#include "platform/ports/generic_list.h"
#include "platform/ports/tty_devices.h"
#include "platform/profile/profile.h"
#include "review/configuration.h"
#include "review/difference.h"

namespace tarn {

// The station last used for a connection, process-wide; 1 when first touched.
int& LastStation();

// Messages of the dialogs' own (not part of the drive's protocol).
constexpr uint32_t WM_DIALOG_LOG = WM_USER + 600;    // lParam: const std::u16string*
constexpr uint32_t WM_WORKER_ENDED = WM_USER + 601;  // a worker has done its last step
constexpr uint32_t WM_COMPARISON_READY = WM_USER + 603;  // a comparison's result is there to show
constexpr uint32_t WM_PARAMETERS_READY = WM_USER + 604;  // the drive's parameters are there to show
constexpr uint32_t WM_PARAMETERS_PROGRESS = WM_USER + 605;  // wParam: groups read, lParam: groups

class CTarnToolkitDlg : private ITableEditor {
public:
    struct Options {
        PortRoots ports;                // where the serial ports are looked for
        std::FILE* portTrace = stdout;  // "Port %d '%s'" lines; null: none
        // The user's data folder (snapshots, service history); empty: the usual one.
        std::filesystem::path dataFolder;
        // The window keeps its menu's settings in the profile; `tarn` takes them
        // from its command line alone.
        bool rememberSettings = true;
    };
    // What a download does besides writing: a snapshot of the drive before the
    // first write (to `snapshotFile`, else a new file in the data folder), and a
    // read-back compared with the image after "Finished!".
    struct DownloadSafety {
        bool snapshot = false;
        std::optional<std::filesystem::path> snapshotFile;
        bool verify = false;
    };
    // `configuration`: where the image to download is loaded; by default the
    // process's single configuration object.
    CTarnToolkitDlg(IProfile& profile, IDialogHost& host, Options options, CCfgExchange& configuration);
    CTarnToolkitDlg(IProfile& profile, IDialogHost& host, Options options)
        : CTarnToolkitDlg(profile, host, std::move(options), GetCfgExchange()) {}
    CTarnToolkitDlg(IProfile& profile, IDialogHost& host) : CTarnToolkitDlg(profile, host, Options{}) {}
    // Waits for a running worker.
    ~CTarnToolkitDlg();
    CTarnToolkitDlg(const CTarnToolkitDlg&) = delete;
    CTarnToolkitDlg& operator=(const CTarnToolkitDlg&) = delete;

    void Attach(IDialogView* view) { m_view = view; }
    bool OnInitDialog();
    // Timers, progress, parameter log lines and the dialog's own messages.
    LRESULT WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam);

    // Control handlers.
    void OnBnClickedOnline();
    void OnCbnSelchangeComPort();
    void OnEnChangeFile();
    void OnBnClickedDownload();
    void OnBnClickedGenerate();
    void OnTimer(uintptr_t timerId);
    // A system-menu command; true when the dialog handled it (the about box).
    bool OnSysCommand(int command);
    // The framework's OK and Cancel commands (Enter in a field, Esc, closing the
    // window): the dialog ends, or, while a transfer runs, as soon as it has ended.
    void OnOK() { EndWhenIdle(IDOK); }
    void OnCancel() { EndWhenIdle(IDCANCEL); }

    // True while a download worker runs; the inputs that could start another
    // operation or change the loaded image are disabled meanwhile.
    bool IsBusy() const { return m_busy; }
    // Lists a port given by number or device path (as the `tarn` command takes
    // it) and selects it, without remembering it in the profile; returns its
    // number, or -1 when the path does not exist.
    int UsePort(const std::u16string& numberOrPath);

    // How the last download and the last upload ended (the download's once its
    // worker has ended).
    const TransferOutcome& LastDownload() const { return m_lastDownload; }
    const TransferOutcome& LastUpload() const { return m_lastUpload; }
    // True while the configuration holds exactly the image the file field names,
    // as it was on the disk when it was loaded.
    bool ImageLoaded() const { return m_loaded.has_value(); }
    CCfgExchange& Configuration() { return m_Cfg; }
    void SetDownloadSafety(DownloadSafety safety) { m_safety = std::move(safety); }
    const DownloadSafety& Safety() const { return m_safety; }
    // The snapshot the last download took, if it took one.
    const std::optional<std::filesystem::path>& LastSnapshotTaken() const { return m_snapshotTaken; }
    const std::filesystem::path& DataFolder() const { return m_dataFolder; }
    // A compare or a verify that a front end ran on this connection, into the
    // service history: its differences, or why the drive could not be read.
    void RecordComparison(const std::string& operation, const std::filesystem::path& image,
                          std::optional<int> differences, const std::u16string& failure);
    // Where both parameter managers write their PCF files.
    void SetPcfRoot(const std::u16string& root);

    // Parts of the dialog's behaviour, public for the front ends and tests.
    void SetOnline(bool online);
    bool LoadImageFile();
    bool StartWrite();
    int RunOperation();
    void ReportResult(bool ok);
    void AddLog(const std::u16string& line);
    // A window tells in its log why the port list is empty, where the technician looks.
    void LogWhenNoPortIsListed();
    void ResetSectionChecks();
    void InitComm();
    bool IsDrivePort(const std::u16string& friendlyName) const;

    bool m_bImageLoaded = false;
    bool m_bOnline = false;
    CGenericList<_tagComInfo> m_PortList;
    int m_nOperation = 0;
    int m_nStation = 0;
    CDevInfo m_ImageInfo;
    CmdImpl m_CmdImpl;
    IDeviceInstImpl m_DevInst;
    CDevInfo m_DriveInfo;
    bool m_bDriveInfoRead = false;  // the drive's identity read whole in this connection
    CHCT_COMM m_Link;
    CParaMgr m_ParaMgr;
    std::u16string m_strMachineKey;
    // The parameter definitions learned from the connected drive, for uploads:
    // an upload never touches the loaded image's parameters.
    CParaMgr m_UploadParaMgr;

private:
    // The window menu's service items and their commands.
    void AppendServiceMenu();
    bool OnServiceCommand(int command);
    void RestoreLastSnapshot();
    void CompareImageWithDrive();
    void CompareTwoImages();
    std::unique_ptr<review::Configuration> LoadForComparison(const std::u16string& path);
    void RunComparison();
    void ShowComparison();
    // After a finished write: the drive read back and held against the image.
    TransferOutcome VerifyWritten();
    // The worker of a download or a comparison; the inputs that could start
    // another are disabled while it runs.
    void StartWorker();
    void ShowServiceHistory();
    // The parameter table: read on the worker, shown (or refreshed in the open
    // table), its cells written one at a time, exported.
    void ShowParameters();
    void StartParameterRead();
    void ReadTableParameters();
    void ParametersRead();
    void OpenParameterTable();
    void AttachTable(ITableView* view) override;
    TableCell OnCellEdited(int row, int column, const std::u16string& text) override;
    void OnRefresh() override;
    void OnExport() override;
    // The download's steps around the write, on the worker.
    bool SnapshotBeforeWrite(TransferOutcome& outcome);
    // One record of the service history; a history that cannot be written is
    // said once and never stops a transfer.
    void Record(const std::string& operation, const TransferOutcome& outcome,
                const std::optional<std::filesystem::path>& image, bool withSelections,
                std::optional<int> differences = std::nullopt);
    // Appends to the service history, saying once when it cannot.
    void AppendToHistory(const ServiceRecord& record);
    std::string PortName();
    void StartDownload();

    struct LoadedImage {
        std::u16string path;
        std::filesystem::file_time_type modified;
        uintmax_t size = 0;
    };
    static std::optional<LoadedImage> Stamp(const std::u16string& path);
    // The image the field names, loaded and unchanged on the disk; false (and
    // the outcome says why) when it is not and does not load.
    bool EnsureImageLoaded();
    void FillPortList();
    void ConnectFailed();
    void InitStation();
    // Appends from any thread: a worker's line goes through the window.
    void Log(const std::u16string& line);
    void EnableTransferInputs(bool enabled);
    void EndWhenIdle(int result);

    IProfile& m_profile;
    IDialogHost& m_host;
    CCfgExchange& m_Cfg;
    std::optional<LoadedImage> m_loaded;
    TransferOutcome m_lastDownload;
    TransferOutcome m_lastUpload;
    TransferOutcome m_workerOutcome;  // written by the worker before its last message
    DownloadSafety m_safety;
    DownloadSafety m_writeSafety;  // the worker's copy: the menu may change m_safety meanwhile
    std::optional<std::filesystem::path> m_snapshotTaken;
    std::filesystem::path m_dataFolder;
    bool m_historyWarned = false;
    static constexpr int kOperationCompare = 4;  // beside 2 (load) and 3 (write)
    std::unique_ptr<review::Configuration> m_compareImage;
    std::u16string m_comparePath;
    std::optional<review::Comparison> m_comparison;
    std::u16string m_compareFailure;
    std::optional<int> m_verifyDifferences;
    static constexpr int kOperationParameters = 5;
    // The drive's parameters as the table shows them; the worker reads into
    // them while the table is busy.
    CParaMgr m_tableParams;
    std::vector<CParaItem*> m_tableItems;
    std::u16string m_tableFailure;
    ITableView* m_tableView = nullptr;
    bool m_openTableWhenRead = false;  // a read from the menu, not the table's refresh
    Options m_options;
    IDialogView* m_view = nullptr;
    void OnProgress(int code);

    std::unique_ptr<WindowMessageBox> m_messageBox;
    std::thread::id m_uiThread;
    std::thread m_worker;
    std::atomic<bool> m_busy{false};
    std::optional<int> m_endWhenIdle;  // the end code of a close asked for during a transfer
};

}  // namespace tarn
