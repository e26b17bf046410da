#include "app/desktop/main_dialog.h"

#include <cerrno>

#include "app/desktop/app_icon.h"
#include "platform/serial/open_failure.h"
#include "platform/wide_string.h"

namespace tarn::desktop {

MainDialog::MainDialog(IProfile& profile, CTarnToolkitDlg::Options options)
    : m_view(MainDialogTemplate()), m_logic(profile, m_host, std::move(options)) {
    TemplateDialog& window = m_view.Dialog();
    window.setWindowIcon(ApplicationIcon());
    window.SetMovableBySurface(true);
    window.SetOkHandler([this] { m_logic.OnOK(); });
    window.SetCancelHandler([this] { m_logic.OnCancel(); });
    window.SetSysCommandHandler([this](int command) { m_logic.OnSysCommand(command); });
    m_host.SetOwner(&window);
    m_view.SetWindowProc([this](uint32_t message, WPARAM wParam, LPARAM lParam) {
        return m_logic.WindowProc(message, wParam, lParam);
    });
    m_view.OnClicked(IDC_ONLINE, [this] { m_logic.OnBnClickedOnline(); });
    m_view.OnClicked(IDC_DOWNLOAD, [this] { m_logic.OnBnClickedDownload(); });
    m_view.OnClicked(IDC_GENERATE, [this] { m_logic.OnBnClickedGenerate(); });
    m_view.OnSelChange(IDC_COM_PORT, [this] { m_logic.OnCbnSelchangeComPort(); });
    m_view.OnTextChanged(IDC_FILE, [this] { m_logic.OnEnChangeFile(); });
    m_logic.Attach(&m_view);
}

MainDialog::~MainDialog() {
    // Messages that arrive while the logic goes are dropped.
    m_view.SetWindowProc(nullptr);
}

bool MainDialog::Init(const std::optional<std::u16string>& port) {
    m_logic.OnInitDialog();
    const bool found = !port || m_logic.UsePort(*port) >= 0;
    // The log tells why a port is not there, where the technician looks.
    if (!found) m_logic.AddLog(FromUtf8(DescribeOpenFailure(ToUtf8(*port), ENOENT)));
    m_logic.LogWhenNoPortIsListed();
    return found;
}

int MainDialog::Exec() { return m_view.Dialog().exec(); }

}  // namespace tarn::desktop
