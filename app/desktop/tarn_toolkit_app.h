#pragma once
// The desktop tool's application object: the start sequence that opens the
// user's profile and runs the main dialog modally until it ends. It is made by
// main() after the QApplication, which every window needs first. A desktop
// session that saves its state starts the tool again when it was running (Qt's
// default restart hint), the restart-only support the tool asks for.
#include <QString>
#include <optional>
#include <string>

namespace tarn::desktop {

class CTarnToolkitApp {
public:
    struct Options {
        std::optional<std::u16string> port;  // --port: listed and selected before the automatic connect
        QString screenshotDir;               // --screenshots: run the screenshot tour into this folder
    };
    explicit CTarnToolkitApp(Options options) : m_options(std::move(options)) {}

    // Runs the main dialog; returns false, so that the application ends after it.
    bool InitInstance();
    // 0, or 1 when the screenshot tour could not finish.
    int ExitCode() const { return m_exitCode; }

private:
    Options m_options;
    int m_exitCode = 0;
};

}  // namespace tarn::desktop
