// tarn-toolkit: the service tool's desktop window. It runs the same dialogs'
// logic as the `tarn` command, on the same profile.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/desktop/app_icon.h"
#include "app/desktop/tarn_toolkit_app.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TarnToolkit"));
    QApplication::setWindowIcon(tarn::desktop::ApplicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Moves a servo drive's configuration between the drive and an image file."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Lists the serial port PATH (a device path, or a number as `tarn ports` "
                                                 "shows it) and selects it."),
                                  QStringLiteral("PATH"));
    QCommandLineOption screenshots(QStringLiteral("screenshots"), QStringLiteral("Screenshot tour into DIR."),
                                   QStringLiteral("DIR"));
    screenshots.setFlags(QCommandLineOption::HiddenFromHelp);  // for scripts/screenshots.sh
    parser.addOption(port);
    parser.addOption(screenshots);
    parser.process(application);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "tarn-toolkit: unexpected argument %s\n%s", qPrintable(parser.positionalArguments().first()),
                     qPrintable(parser.helpText()));
        return 2;
    }

    tarn::desktop::CTarnToolkitApp::Options options;
    if (parser.isSet(port)) options.port = parser.value(port).toStdU16String();
    options.screenshotDir = parser.value(screenshots);
    tarn::desktop::CTarnToolkitApp app(std::move(options));
    app.InitInstance();
    return app.ExitCode();
}
