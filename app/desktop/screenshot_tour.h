#pragma once
// The screenshot tour that scripts/screenshots.sh runs: it uses the main dialog
// as a user would (offline and online, the upload dialog saving an image, the
// image loaded, the confirmation and the download, the differences, the
// parameter table, the window's menu and the about box) and writes a PNG of
// each window, caption included, into a folder.
// The image it saves and loads is backup.tkw in the working folder.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace tarn::desktop {

class MainDialog;

class ScreenshotTour : public QObject {
public:
    ScreenshotTour(MainDialog& dialog, const QString& folder);
    // Whether every step ran and every picture was written.
    bool Finished() const { return m_finished; }

private:
    struct Step {
        const char* what;
        std::function<bool()> ready;  // the step waits until this holds
        std::function<void()> act;
    };
    void Poll();
    void Shoot(const QString& name, QWidget* window, QWidget* alsoShown = nullptr);
    QWidget* Modal(const QString& caption) const;

    MainDialog& m_dialog;
    QString m_folder;
    std::vector<Step> m_steps;
    size_t m_next = 0;
    QTimer m_poll;
    QTimer m_giveUp;
    bool m_settling = false;
    bool m_failed = false;
    bool m_finished = false;
};

}  // namespace tarn::desktop
