#include "app/console/session.h"

#include <unistd.h>

#include <cstdio>

#include "app/console/dialog_loop.h"
#include "app/console/identity_report.h"
#include "platform/wide_string.h"

namespace tarn::console {

namespace {

constexpr uintptr_t kConnectTimer = 1;

}  // namespace

Session::Session(IProfile& profile, ConsoleIo& io, UploadChoice upload, PortRoots ports)
    : m_io(io),
      m_host(io, std::move(upload)),
      m_view(io, IDC_LOG, IDC_PROGRESS),
      // The port trace lines stay off stdout, which carries the log alone.
      m_dialog(profile, m_host, CTarnToolkitDlg::Options{std::move(ports), nullptr, {}, false}) {
    m_host.SetOwner(&m_view);
    m_view.SetWindowProc([this](uint32_t message, WPARAM wParam, LPARAM lParam) {
        return m_dialog.WindowProc(message, wParam, lParam);
    });
    m_dialog.Attach(&m_view);
}

Session::~Session() {
    // A transfer still running reports into this view: let it end first.
    RunUntil(m_view, [this] { return !m_dialog.IsBusy(); });
    m_view.SetWindowProc(nullptr);
}

void Session::SayLinkReason(const std::string& what) {
    const std::string reason = ToUtf8(m_dialog.m_Link.GetErrMsg());
    m_io.Error(reason.empty() ? what : what + ": " + reason);
}

bool Session::Connect(const Connection& connection) {
    m_port = connection.port;
    m_dialog.OnInitDialog();
    if (connection.station) m_view.SetText(IDC_STATION, FromUtf8(*connection.station));
    if (m_dialog.UsePort(FromUtf8(connection.port)) < 0) {
        m_view.KillTimer(kConnectTimer);
        m_io.Error("no serial port " + connection.port + " (see `tarn ports --all`)");
        return false;
    }
    // The automatic connect: timer 1's first tick presses Online.
    RunUntil(m_view, [this] { return !m_view.TimerSet(kConnectTimer); });
    if (m_dialog.m_bOnline) return true;
    // A port that did not open (missing, held, forbidden) is not a silent drive.
    SayLinkReason((m_dialog.m_Link.OpenError() ? "cannot open " : "no drive answers on ") + connection.port);
    return false;
}

int Session::Info(bool json) {
    std::optional<std::string> failure;
    if (!m_dialog.m_bDriveInfoRead) {
        const std::string reason = ToUtf8(m_dialog.m_CmdImpl.GetCmd()->m_strLastError);
        failure = reason.empty() ? "no complete reply" : reason;
    }
    return ReportIdentity({m_port, m_dialog.m_DevInst.GetStation(), &m_dialog.m_DriveInfo, failure}, json, m_io);
}

int Session::Upload() {
    m_dialog.OnBnClickedGenerate();
    if (!m_host.UploadRan()) {
        SayLinkReason("the upload did not start");
        return 1;
    }
    if (m_dialog.LastUpload().Finished()) return 0;
    if (m_io.Declined())
        m_io.Error("the image exists and was not replaced: nothing was read (answer on a terminal, or give --yes)");
    else if (!m_io.Reported())
        SayLinkReason("the upload failed");
    return 1;
}

int Session::Download(const std::string& image, const DownloadChoice& choice) {
    if (::access(image.c_str(), R_OK) != 0) {
        m_io.Error("cannot read " + image);
        return 1;
    }
    m_view.SetText(IDC_FILE, FromUtf8(image));
    m_dialog.OnEnChangeFile();
    if (!m_dialog.ImageLoaded()) {
        if (!m_io.Reported()) m_io.Error(image + " is not an image that loads");
        return 1;
    }
    if (choice.noProgram) m_view.SetChecked(IDC_CHK_PROGRAM, false);
    if (choice.noDH) m_view.SetChecked(IDC_CHK_DH, false);
    if (choice.noMH) m_view.SetChecked(IDC_CHK_MH, false);
    if (choice.noPara) m_view.SetChecked(IDC_CHK_PARA, false);
    m_dialog.OnBnClickedDownload();
    RunUntil(m_view, [this] { return !m_dialog.IsBusy(); });
    const TransferOutcome& outcome = m_dialog.LastDownload();
    if (outcome.Finished()) return 0;
    if (outcome.result == TransferOutcome::Result::Declined || m_io.Declined())
        m_io.Error("not confirmed: nothing was written (answer on a terminal, or give --yes)");
    else if (!m_io.Reported())
        SayLinkReason("the download failed");
    return 1;
}

}  // namespace tarn::console
