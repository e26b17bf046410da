#pragma once
// The main dialog's logic: the connection to one drive, the port list, the
// image load and the download, and the way into the upload. It owns every
// long-lived object of the tool and runs against any front end's view.
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>

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

namespace tarn {

// The station last used for a connection, process-wide; 1 when first touched.
int& LastStation();

// Messages of the dialogs' own (not part of the drive's protocol).
constexpr uint32_t WM_DIALOG_LOG = WM_USER + 600;    // lParam: const std::u16string*
constexpr uint32_t WM_WORKER_ENDED = WM_USER + 601;  // a worker has done its last step

class CTarnToolkitDlg {
public:
    struct Options {
        PortRoots ports;                // where the serial ports are looked for
        std::FILE* portTrace = stdout;  // "Port %d '%s'" lines; null: none
    };
    CTarnToolkitDlg(IProfile& profile, IDialogHost& host, Options options);
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
    // it) and selects it; returns its number, or -1 when the path does not exist.
    int UsePort(const std::u16string& numberOrPath);

    // Parts of the dialog's behaviour, public for the front ends and tests.
    void SetOnline(bool online);
    bool LoadImageFile();
    bool StartWrite();
    int RunOperation();
    void ReportResult(bool ok);
    void AddLog(const std::u16string& line);
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

private:
    void FillPortList();
    void InitStation();
    // Appends from any thread: a worker's line goes through the window.
    void Log(const std::u16string& line);
    void EnableTransferInputs(bool enabled);
    void EndWhenIdle(int result);

    IProfile& m_profile;
    IDialogHost& m_host;
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
