#include "app/desktop/tarn_toolkit_app.h"

#include <cstdio>
#include <memory>

#include "app/desktop/main_dialog.h"
#include "app/desktop/screenshot_tour.h"
#include "app/user_profile.h"
#include "platform/wide_string.h"

namespace tarn::desktop {

bool CTarnToolkitApp::InitInstance() {
    // Qt has set up its controls, look and file dialogs with the application
    // object; what is left is the profile (the one the `tarn` command uses) and
    // the main dialog.
    std::unique_ptr<IProfile> profile = OpenUserProfile();
    MainDialog dialog(*profile);
    if (!dialog.Init(m_options.port))
        std::fprintf(stderr, "tarn-toolkit: no serial port %s\n", ToUtf8(*m_options.port).c_str());
    std::unique_ptr<ScreenshotTour> tour;
    if (!m_options.screenshotDir.isEmpty()) tour = std::make_unique<ScreenshotTour>(dialog, m_options.screenshotDir);
    dialog.Exec();
    if (tour && !tour->Finished()) m_exitCode = 1;
    return false;
}

}  // namespace tarn::desktop
