#include "app/desktop/screenshot_tour.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <cstdio>

#include "app/desktop/main_dialog.h"
#include "app/desktop/qt_text.h"
#include "app/dialog_texts.h"

namespace tarn::desktop {

namespace {

constexpr int kPollMs = 50;
constexpr int kSettleMs = 600;  // the window manager draws the frame of a new window
constexpr int kFrameWaitMs = 2000;
constexpr int kGiveUpMs = 60000;

QString LastLine(QWidget* dialog, int listId) {
    auto* templateDialog = qobject_cast<TemplateDialog*>(dialog);
    auto* list = templateDialog ? templateDialog->ControlAs<QListWidget>(listId) : nullptr;
    return list && list->count() > 0 ? list->item(list->count() - 1)->text() : QString();
}

bool Framed(const QWidget* window) {
    const QRect inner = window->geometry(), framed = window->frameGeometry();
    return framed.contains(inner) && framed != inner;
}

// The window with the window manager's frame around it. A window the manager
// has just framed may not know its frame yet (Qt then reports none, or less
// than none): the main window's frame, of the same kind, stands in.
QRect FramedArea(const QWidget* window, const QWidget* main) {
    if (Framed(window) || !Framed(main)) return window->frameGeometry();
    const QRect in = main->geometry(), out = main->frameGeometry();
    return window->geometry().marginsAdded(
        QMargins(in.left() - out.left(), in.top() - out.top(), out.right() - in.right(), out.bottom() - in.bottom()));
}

void Click(QWidget* dialog, int id) {
    if (auto* button = qobject_cast<TemplateDialog*>(dialog)->ControlAs<QPushButton>(id)) button->click();
}

// Runs after the current event has been handled, so that a modal dialog that
// the action opens has the event loop to itself.
template <class F>
void Later(QObject* context, F action) {
    QTimer::singleShot(0, context, action);
}

}  // namespace

ScreenshotTour::ScreenshotTour(MainDialog& dialog, const QString& folder) : m_dialog(dialog), m_folder(folder) {
    TemplateDialog* main = &dialog.Window();
    CTarnToolkitDlg* logic = &dialog.Logic();
    // The image is saved into the working folder and typed in as its name alone.
    const QString image = QStringLiteral("backup.tkw");
    const QString imagePath = QDir::current().absoluteFilePath(image);
    auto online = [logic] { return logic->m_bOnline; };
    auto offline = [logic] { return !logic->m_bOnline; };
    auto upload = [this] { return Modal(ToQt(kUploadCaption)); };

    m_steps = {
        {"connect", [main, online] { return main->isVisible() && online(); },
         [main, this] { Later(this, [main] { Click(main, IDC_ONLINE); }); }},
        {"main dialog offline", offline, [this, main] { Shoot(QStringLiteral("main-offline"), main); }},
        {"connect again", [] { return true; }, [main, this] { Later(this, [main] { Click(main, IDC_ONLINE); }); }},
        {"upload dialog", online, [main, this] { Later(this, [main] { Click(main, IDC_GENERATE); }); }},
        {"press Upload", [upload] { return upload() != nullptr; },
         [upload, this] { Later(this, [upload] { Click(upload(), IDC_UPLOAD); }); }},
        {"save dialog", [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
         [imagePath] {
             auto* save = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
             // Typed into the name field, as a user would.
             save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(imagePath);
             static_cast<QDialog*>(save)->accept();  // QFileDialog::accept, which checks the name
         }},
        {"upload finished", [upload] { return upload() && LastLine(upload(), IDC_UP_LOG) == u"Finished!"; },
         [upload, this] {
             Shoot(QStringLiteral("upload"), upload());
             upload()->close();
         }},
        {"load the image", [upload] { return upload() == nullptr; },
         [main, image] {
             main->ControlAs<QLineEdit>(IDC_FILE)->setText(image);
         }},
        {"main dialog online, Online focused", [online] { return online(); },
         [main, this] {
             // As after Tab presses: the keyboard's focus frame shows.
             main->setAttribute(Qt::WA_KeyboardFocusChange);
             main->Control(IDC_ONLINE)->setFocus(Qt::TabFocusReason);
             Shoot(QStringLiteral("main-online"), main);
         }},
        // The tool never writes the Program part into an image (only factory
        // images hold it), so its box is ticked by hand to show the question,
        // which is cancelled: nothing is written for it.
        {"confirmation", [] { return true; },
         [main, this] {
             main->ControlAs<QCheckBox>(IDC_CHK_PROGRAM)->setEnabled(true);
             main->ControlAs<QCheckBox>(IDC_CHK_PROGRAM)->setChecked(true);
             Later(this, [main] { Click(main, IDC_DOWNLOAD); });
         }},
        {"cancel the confirmation", [this] { return Modal(ToQt(kConfirmCaption)) != nullptr; },
         [this] {
             QWidget* confirm = Modal(ToQt(kConfirmCaption));
             Shoot(QStringLiteral("confirm"), confirm);
             Later(this, [confirm] { Click(confirm, IDCANCEL); });
         }},
        {"download", [this] { return QApplication::activeModalWidget() == &m_dialog.Window(); },
         [main, this] {
             main->ControlAs<QCheckBox>(IDC_CHK_PROGRAM)->setChecked(false);
             main->ControlAs<QCheckBox>(IDC_CHK_PROGRAM)->setEnabled(false);
             Later(this, [main] { Click(main, IDC_DOWNLOAD); });
         }},
        {"download finished", [main, logic] { return !logic->IsBusy() && LastLine(main, IDC_LOG) == u"Finished!"; },
         [main, logic, this] {
             Shoot(QStringLiteral("main-download"), main);
             // Two settings changed on the drive since, as a technician at the
             // machine might, then the image compared with the drive.
             logic->m_CmdImpl.GetCmd()->WriteParam(1, 3, 1861, 1);
             logic->m_CmdImpl.GetCmd()->WriteParam(2, 5, 7, 0);
             QAction* compare = main->MenuAction(IDM_COMPARE_DRIVE);
             Later(this, [compare] { compare->trigger(); });
         }},
        {"differences", [this] { return Modal(ToQt(kMenuCompareDrive)) != nullptr; },
         [this] {
             QWidget* differences = Modal(ToQt(kMenuCompareDrive));
             Shoot(QStringLiteral("differences"), differences);
             Later(this, [differences] { differences->close(); });
         }},
        {"parameters", [this] { return QApplication::activeModalWidget() == &m_dialog.Window(); },
         [main, this] {
             QAction* parameters = main->MenuAction(IDM_PARAMETERS);
             Later(this, [parameters] { parameters->trigger(); });
         }},
        {"parameter table", [this, logic] { return !logic->IsBusy() && Modal(ToQt(kParameterTableTitle)); },
         [this] {
             QWidget* table = Modal(ToQt(kParameterTableTitle));
             Shoot(QStringLiteral("parameters"), table);
             Later(this, [table] { table->close(); });
         }},
        {"open the menu", [this] { return QApplication::activeModalWidget() == &m_dialog.Window(); },
         [main] {
             // A right click on the surface under "Generate *.tkw".
             const QPoint surface = ToPixels(main->Units(), 452, 84, 0, 0).topLeft();
             main->SystemMenu().popup(main->mapToGlobal(surface));
         }},
        {"window menu", [main] { return main->SystemMenu().isVisible(); },
         [main, this] {
             QMenu& menu = main->SystemMenu();
             Shoot(QStringLiteral("menu"), main, &menu);
             menu.hide();
             QAction* about = nullptr;
             for (QAction* action : menu.actions())
                 if (action->text() == ToQt(kAboutMenuItem)) about = action;
             Later(this, [about] { about->trigger(); });
         }},
        {"about box", [this] { return Modal(ToQt(kAboutCaption)) != nullptr; },
         [this] {
             QWidget* about = Modal(ToQt(kAboutCaption));
             Shoot(QStringLiteral("about"), about);
             Later(this, [about] { Click(about, IDOK); });
         }},
        {"close", [this] { return QApplication::activeModalWidget() == &m_dialog.Window(); },
         [main, this] {
             m_finished = !m_failed;
             main->reject();
         }},
    };
    connect(&m_poll, &QTimer::timeout, this, &ScreenshotTour::Poll);
    m_poll.start(kPollMs);
    m_giveUp.setSingleShot(true);
    connect(&m_giveUp, &QTimer::timeout, this, [this, main] {
        std::fprintf(stderr, "screenshot tour: stuck at \"%s\"\n", m_steps[m_next].what);
        m_poll.stop();
        m_failed = true;
        QWidget* shown = QApplication::activeModalWidget();
        Shoot(QStringLiteral("stuck"), shown ? shown : main);
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != main) modal->close();
        main->reject();
    });
    m_giveUp.start(kGiveUpMs);
}

void ScreenshotTour::Poll() {
    if (m_settling || m_next >= m_steps.size() || !m_steps[m_next].ready()) return;
    m_settling = true;
    QTimer::singleShot(kSettleMs, this, [this] {
        const Step& step = m_steps[m_next++];
        std::fprintf(stderr, "screenshot tour: %s\n", step.what);
        step.act();  // may wait for a frame: no other step starts meanwhile
        m_settling = false;
        if (m_next == m_steps.size()) m_poll.stop();
    });
}

QWidget* ScreenshotTour::Modal(const QString& caption) const {
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal->windowTitle() == caption ? modal : nullptr;
}

void ScreenshotTour::Shoot(const QString& name, QWidget* window, QWidget* alsoShown) {
    // From the screen, so that the window manager's frame and caption are in it.
    QElapsedTimer waited;
    waited.start();
    while (!Framed(window) && waited.elapsed() < kFrameWaitMs) QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
    QRect area = FramedArea(window, &m_dialog.Window());
    if (alsoShown) area = area.united(alsoShown->frameGeometry());
    QScreen* screen = window->screen();
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString file = m_folder + u'/' + name + QStringLiteral(".png");
    if (shot.isNull() || !shot.save(file)) {
        std::fprintf(stderr, "screenshot tour: cannot write %s\n", qPrintable(file));
        m_failed = true;
        return;
    }
    std::printf("%s\n", qPrintable(file));
    std::fflush(stdout);
}

}  // namespace tarn::desktop
