#pragma once
// One run of the main dialog for the `tarn` command: connect as the Online
// button does, then read the drive's identity, upload or download through the
// dialogs' own logic. Each workflow returns the command's exit status.
#include <optional>
#include <string>

#include "app/console/console_host.h"
#include "app/console/console_io.h"
#include "app/console/console_view.h"
#include "app/tarn_toolkit_dlg.h"
#include "platform/profile/profile.h"

namespace tarn::console {

struct Connection {
    std::string port;                    // a device path, or a port number as `tarn ports` lists it
    std::optional<std::string> station;  // the station field's text; none: as the dialog starts
};

// The boxes of the main dialog to untick before Download.
struct DownloadChoice {
    bool noProgram = false;
    bool noDH = false;
    bool noMH = false;
    bool noPara = false;
};

class Session {
public:
    // `ports`: where the port list looks for serial ports.
    Session(IProfile& profile, ConsoleIo& io, UploadChoice upload, PortRoots ports = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The dialog's start and its automatic connect; false (with the reason on
    // stderr) when it stays offline.
    bool Connect(const Connection& connection);

    int Info(bool json);
    int Upload();
    int Download(const std::string& image, const DownloadChoice& choice);

    CTarnToolkitDlg& Dialog() { return m_dialog; }

private:
    void SayLinkReason(const std::string& what);

    ConsoleIo& m_io;
    ConsoleHost m_host;
    ConsoleView m_view;
    CTarnToolkitDlg m_dialog;
    std::string m_port;
};

}  // namespace tarn::console
