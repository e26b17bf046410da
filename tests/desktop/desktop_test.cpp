// The desktop windows against a virtual drive: the automatic connect, the
// image load and download, the upload dialog's saved image, and the keys and
// menu that end the dialog or open the about box.
#include <unistd.h>

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/desktop/editable_table_dialog.h"
#include "app/desktop/file_edit.h"
#include "app/desktop/main_dialog.h"
#include "app/desktop/qt_text.h"
#include "app/dialog_texts.h"
#include "app/service_history.h"
#include "device/drive_registers.h"
#include "params/para_mgr.h"
#include "image/image_file.h"
#include "platform/profile/memory_profile.h"
#include "platform/wide_string.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"
#include "tests/common/gate_clock.h"
#include "tests/common/sample_image.h"
#include "tests/common/standard_drive.h"
#include "tests/desktop/pixels.h"
#include "widgets/button_st.h"
#include "window_script.h"

using namespace tarn;
using namespace tarn::desktop;
using tarn::test::WindowScript;
using tarn::test::Shows;

namespace {

constexpr int kLinkWaitMs = 30000;  // a connect through the station search takes its time-outs

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

QStringList Lines(QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

void Click(QWidget* dialog, int id) {
    QTest::mouseClick(qobject_cast<TemplateDialog*>(dialog)->ControlAs<QPushButton>(id), Qt::LeftButton);
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void connectsByItselfAtTheDrivesStation();
    void loadsTheTypedImageAndDownloadsIt();
    void theUploadDialogSavesWhereTheSaveDialogSays();
    void keysEndTheDialogAndTheMenuOpensTheAboutBox();
    void logSaysWhyNoPortIsListed();
    void parameterTableWritesACheckedCellAndExports();
    void messageBoxCaptionsShowTheWholeName();
    void templatesFitTheirDialogs();

private:
    void StartDrive(uint8_t station);
    CTarnToolkitDlg::Options NoMachinePorts() const;
    // The main dialog initialised, with the virtual drive's port listed (or no port at all).
    void StartDialog(bool listDrive = true);
    void ShowOnline();
    TemplateDialog& Main() { return m_dialog->Window(); }
    template <class W>
    W* Control(int id) {
        return Main().ControlAs<W>(id);
    }

    std::filesystem::path m_dir;
    MemoryProfile m_profile;
    std::shared_ptr<sim::ServoDrive> m_model;
    std::unique_ptr<sim::VirtualDrive> m_drive;
    std::unique_ptr<MainDialog> m_dialog;
    test::GateClock m_clock;
};

void DesktopTest::init() {
    m_dir = std::filesystem::temp_directory_path() / ("tarn-desktop-" + std::to_string(::getpid()));
    std::filesystem::create_directories(m_dir / "sys");
    LastStation() = 1;
    CCfgExchange& cfg = GetCfgExchange();
    cfg.DataValid = false;
    cfg.IncludeProgramDV = cfg.IncludeDH = cfg.IncludeMH = cfg.IncludePara = 0;
}

void DesktopTest::cleanup() {
    m_clock.Release();
    // A transfer still reporting needs the event loop to end.
    if (m_dialog) QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->Logic().IsBusy(), kLinkWaitMs);
    m_dialog.reset();
    m_drive.reset();
    std::filesystem::remove_all(m_dir);
}

void DesktopTest::StartDrive(uint8_t station) {
    m_model = std::make_shared<sim::ServoDrive>(test::StandardDrive(station));
    m_drive = std::make_unique<sim::VirtualDrive>(station, m_model);
}

CTarnToolkitDlg::Options DesktopTest::NoMachinePorts() const {
    CTarnToolkitDlg::Options options;
    options.ports.sysRoot = m_dir / "sys";
    options.ports.devRoot = m_dir / "dev";
    options.portTrace = nullptr;
    options.dataFolder = m_dir / "data";
    return options;
}

void DesktopTest::StartDialog(bool listDrive) {
    m_dialog = std::make_unique<MainDialog>(m_profile, NoMachinePorts());
    std::optional<std::u16string> port;
    if (listDrive) port = FromUtf8(m_drive->Path());
    QVERIFY(m_dialog->Init(port));
    m_dialog->Logic().m_CmdImpl.GetCmd()->SetClock(&m_clock);
    m_dialog->Logic().SetPcfRoot(FromUtf8((m_dir / "pcf").string()));
}

void DesktopTest::ShowOnline() {
    Main().show();
    QTRY_COMPARE_WITH_TIMEOUT(Control<CButtonST>(IDC_ONLINE)->text(), QStringLiteral("Online"), kLinkWaitMs);
}

void DesktopTest::connectsByItselfAtTheDrivesStation() {
    StartDrive(7);  // the station field starts at 1: the drive is found through the station search
    StartDialog();
    auto* online = Control<CButtonST>(IDC_ONLINE);
    // From the first paint on: "Offline" in its colours.
    QCOMPARE(online->text(), QStringLiteral("Offline"));
    QImage face = online->grab().toImage();
    QCOMPARE(face.pixelColor(3, 3), QColor(90, 104, 66));
    QVERIFY(Shows(face, QColor(20, 255, 197)));

    ShowOnline();
    QCOMPARE(m_profile.GetProfileInt(kSectionComm, kKeyComPortSel, 4), 4);  // the port given is not remembered
    QCOMPARE(Control<QLineEdit>(IDC_STATION)->text(), QStringLiteral("7"));
    face = online->grab().toImage();
    QCOMPARE(face.pixelColor(3, 3), QColor(255, 255, 0));
    QVERIFY(Shows(face, QColor(255, 0, 0)));
    QCOMPARE(m_dialog->Logic().m_DevInst.GetStation(), 7);
}

void DesktopTest::loadsTheTypedImageAndDownloadsIt() {
    StartDrive(1);
    const QString path = QString::fromStdString((m_dir / "drive.tkw").string());
    QVERIFY(test::WriteSampleImage(m_dir / "drive.tkw", 20));

    StartDialog();
    ShowOnline();
    QTest::keyClicks(Control<FileEdit>(IDC_FILE), path);
    auto* log = Control<QListWidget>(IDC_LOG);
    const QStringList loaded{QStringLiteral("Read data from \"") + path + QStringLiteral("\"..."),
                             QStringLiteral("Load ") + path + QStringLiteral(" ...finished!")};
    QTRY_COMPARE(Lines(log), loaded);
    auto* bar = Control<QProgressBar>(IDC_PROGRESS);
    QVERIFY(!bar->isVisible());

    // Download asks first; the worker is then held in the burn's ready wait.
    m_clock.HoldSleepsOf(200);
    QString asked;
    WindowScript script;
    script.Then(WindowScript::Caption(ToQt(kConfirmCaption)), [&asked](QWidget* confirm) {
        asked = confirm->findChildren<QLabel*>().value(0)->text();
        Click(confirm, IDOK);
    });
    QTest::mouseClick(Control<QPushButton>(IDC_DOWNLOAD), Qt::LeftButton);
    QVERIFY(script.Done());
    QCOMPARE(asked, ToQt(kConfirmText));
    QTRY_VERIFY_WITH_TIMEOUT(m_clock.Holding(), kLinkWaitMs);
    QVERIFY(bar->isVisible());
    for (int id : {IDC_ONLINE, IDC_DOWNLOAD, IDC_GENERATE, IDC_FILE})
        QVERIFY2(!Main().Control(id)->isEnabled(), qPrintable(QString::number(id)));

    m_clock.Release();
    QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->Logic().IsBusy(), kLinkWaitMs);
    m_dialog->View().FlushLists();
    // The dialog's log as it is (its lines are the dialog tests'), the last line in view.
    QCOMPARE(Lines(log).last(), QStringLiteral("Finished!"));
    QCOMPARE(log->currentRow(), log->count() - 1);
    QVERIFY(!bar->isVisible());
    for (int id : {IDC_ONLINE, IDC_DOWNLOAD, IDC_GENERATE, IDC_FILE}) QVERIFY(Main().Control(id)->isEnabled());
    QVERIFY(m_model->Area(0) == std::vector<uint16_t>(20, 7));
}

void DesktopTest::theUploadDialogSavesWhereTheSaveDialogSays() {
    StartDrive(1);
    StartDialog();
    ShowOnline();
    // What the upload reads and that a download after it writes the image loaded
    // before are the dialog tests'; here the windows: keys, the save dialog.
    const QString path = QString::fromStdString((m_dir / "backup.tkw").string());
    QStringList uploadLog;
    QString saveTitle, saveSuffix;
    QStringList saveFilters;
    bool confirmsOverwrite = false;
    WindowScript script;
    script.Then(WindowScript::Caption(ToQt(kUploadCaption)), [&uploadLog](QWidget* window) {
        auto* upload = qobject_cast<TemplateDialog*>(window);
        auto* list = upload->ControlAs<QListWidget>(IDC_UP_LOG);
        // When the log ends, Esc closes the dialog.
        QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, upload, [list, upload, &uploadLog] {
            if (list->item(list->count() - 1)->text() != u"Finished!") return;
            uploadLog = Lines(list);
            QTimer::singleShot(0, upload, [upload] { QTest::keyClick(upload, Qt::Key_Escape); });
        });
        // Enter presses Upload, the default button.
        QTest::keyClick(upload->Control(IDC_CHK_DH), Qt::Key_Return);
    });
    script.Then(WindowScript::Kind<QFileDialog>(), [&](QWidget* window) {
        auto* save = qobject_cast<QFileDialog*>(window);
        saveTitle = save->windowTitle();
        saveFilters = save->nameFilters();
        saveSuffix = save->defaultSuffix();
        confirmsOverwrite = !save->testOption(QFileDialog::DontConfirmOverwrite);
        save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(save)->accept();
    });
    // Returns when the upload dialog has ended.
    QTest::mouseClick(Control<QPushButton>(IDC_GENERATE), Qt::LeftButton);
    QVERIFY(script.Done());
    QCOMPARE(saveTitle, QStringLiteral("Save Image"));
    QCOMPARE(saveFilters, QStringList{"Kestrel img (*.tkw)"});
    QCOMPARE(saveSuffix, QStringLiteral("tkw"));
    QVERIFY(confirmsOverwrite);
    QCOMPARE(uploadLog.last(), QStringLiteral("Finished!"));
    QVERIFY(std::filesystem::is_regular_file(path.toStdString()));
}

void DesktopTest::keysEndTheDialogAndTheMenuOpensTheAboutBox() {
    // Without a default button Enter in a field is the OK command; Esc and a
    // request to close the window are Cancel.
    struct Case {
        const char* what;
        std::function<void(TemplateDialog&)> act;
        int result;
    };
    const Case cases[] = {
        {"Enter in the station field",
         [](TemplateDialog& d) { QTest::keyClick(d.Control(IDC_STATION), Qt::Key_Return); }, IDOK},
        {"Enter in the file field", [](TemplateDialog& d) { QTest::keyClick(d.Control(IDC_FILE), Qt::Key_Enter); },
         IDOK},
        {"Esc", [](TemplateDialog& d) { QTest::keyClick(d.Control(IDC_STATION), Qt::Key_Escape); }, IDCANCEL},
        {"the window's close box", [](TemplateDialog& d) { d.close(); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        StartDialog(false);
        Main().show();
        QSignalSpy finished(&Main(), &QDialog::finished);
        c.act(Main());
        QVERIFY2(finished.count() == 1 && finished[0][0].toInt() == c.result, c.what);
        QVERIFY2(!Main().isVisible(), c.what);
    }

    // The file field's browse dialog offers the images.
    StartDialog(false);
    Main().show();
    QStringList browseFilters;
    QString browseSuffix;
    WindowScript script;
    script.Then(WindowScript::Kind<QFileDialog>(), [&](QWidget* window) {
        auto* browse = qobject_cast<QFileDialog*>(window);
        browseFilters = browse->nameFilters();
        browseSuffix = browse->defaultSuffix();
        browse->reject();
    });
    // The window's menu (a right click on its surface) holds the about item.
    QStringList menuItems;
    script.Then(WindowScript::Kind<QMenu>(), [&menuItems](QWidget* window) {
        for (QAction* action : window->actions())
            if (!action->isSeparator()) menuItems << action->text();
        QTest::keyClick(window, Qt::Key_A);
    });
    QStringList aboutTexts;
    script.Then(WindowScript::Caption(ToQt(kAboutCaption)), [&aboutTexts](QWidget* about) {
        for (QLabel* label : about->findChildren<QLabel*>())
            if (!label->text().isEmpty()) aboutTexts << label->text();
        auto* ok = qobject_cast<TemplateDialog*>(about)->ControlAs<QPushButton>(IDOK);
        aboutTexts << ok->text();
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    Control<FileEdit>(IDC_FILE)->BrowseAction()->trigger();
    const QPoint surface = Control<QPushButton>(IDC_GENERATE)->geometry().bottomLeft() + QPoint(0, 20);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, surface, Main().mapToGlobal(surface));
    QApplication::sendEvent(&Main(), &rightClick);
    QVERIFY(script.Done());
    QCOMPARE(browseFilters, QStringList{"Kestrel Image (*.tkw)"});
    QCOMPARE(browseSuffix, QStringLiteral("Image"));
    QCOMPARE(menuItems, (QStringList{ToQt(kAboutMenuItem), ToQt(kMenuCompareDrive), ToQt(kMenuCompareImages),
                                     ToQt(kMenuVerifyAfter), ToQt(kMenuSnapshotBefore), ToQt(kMenuRestoreSnapshot),
                                     ToQt(kMenuServiceHistory), ToQt(kMenuParameters)}));
    QCOMPARE(aboutTexts, (QStringList{ToQt(kAboutText), ToQt(kAboutOk)}));
    QVERIFY(Main().isVisible());

    // Shift+F10 and the Menu key open the same menu wherever the focus is; the
    // Menu key may also come as a context menu that the keyboard asked for.
    using Press = std::function<void(QWidget*)>;
    const Press presses[] = {
        [](QWidget* w) { QTest::keyClick(w, Qt::Key_F10, Qt::ShiftModifier); },
        [](QWidget* w) { QTest::keyClick(w, Qt::Key_Menu); },
        [](QWidget* w) {
            QContextMenuEvent asked(QContextMenuEvent::Keyboard, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(w, &asked);
        },
    };
    for (QWidget* focus : {Main().Control(IDC_STATION), Main().Control(IDC_FILE), Main().Control(IDC_COM_PORT),
                           Main().Control(IDC_LOG), Main().Control(IDC_ONLINE), static_cast<QWidget*>(&Main())}) {
        for (size_t i = 0; i < std::size(presses); ++i) {
            const QString what = focus->objectName() + u'/' + QString::number(i);
            menuItems.clear();
            script.Then(WindowScript::Kind<QMenu>(), [&menuItems](QWidget* menu) {
                for (QAction* action : menu->actions())
                    if (!action->isSeparator()) menuItems << action->text();
                menu->close();
            });
            presses[i](focus);
            QVERIFY2(script.Done(), qPrintable(what));
            QVERIFY2(menuItems.size() == 8 && menuItems[0] == ToQt(kAboutMenuItem), qPrintable(what));
        }
    }
}

void DesktopTest::logSaysWhyNoPortIsListed() {
    m_dialog = std::make_unique<MainDialog>(m_profile, NoMachinePorts());
    QVERIFY(!m_dialog->Init(u"/does/not/exist"));
    m_dialog->View().FlushLists();
    QCOMPARE(Lines(Control<QListWidget>(IDC_LOG)),
             (QStringList{"There is no port /does/not/exist (is the USB bridge plugged in?)",
                          "No USB serial bridge for the drive was found: the port list is empty."}));
}

void DesktopTest::parameterTableWritesACheckedCellAndExports() {
    sim::DriveDescription description = test::StandardDrive(1);
    description.groups[1].items[0].record = {0, 100, 0xFFFF, 0xFF9C, 0, 0, 0};  // P1-00: -100 to 100, default 0
    description.groups[1].items[1].record[6] = 0x0400;                          // P1-01: a download skips it
    m_model = std::make_shared<sim::ServoDrive>(description);
    m_drive = std::make_unique<sim::VirtualDrive>(1, m_model);
    StartDialog();
    ShowOnline();
    // The drive's registers but those of the unlock and the group selector.
    auto parameters = [this] {
        auto r = m_model->Registers();
        for (uint16_t sequence : {reg::kSpecialFunction, reg::kCommand, reg::kGroupSelect}) r.erase(sequence);
        return r;
    };
    const auto before = parameters();
    decltype(parameters()) afterRefusal;
    const std::filesystem::path csv = m_dir / "parameters.csv", json = m_dir / "parameters.json";
    QStringList heads, boxes;
    QString item, written;
    bool marked = false, skippedEditable = true;
    WindowScript script;
    script.Then(WindowScript::Kind<EditableTableDialog>(), [&](QWidget* window) {
        auto* dialog = qobject_cast<EditableTableDialog*>(window);
        QTableWidget* table = dialog->Table();
        for (int c = 0; c < table->columnCount(); ++c) heads << table->horizontalHeaderItem(c)->text();
        const int p100 = dialog->ViewRow(3), p101 = dialog->ViewRow(4);
        item = table->item(p100, 0)->text();
        marked = table->item(p100, 2)->font().bold();  // 2 on axis y, the default 0
        skippedEditable = (table->item(p101, 1)->flags() & Qt::ItemIsEditable) != 0;
        table->item(p100, 2)->setText("101");  // out of the limits: refused
        afterRefusal = parameters();
        table->item(p100, 2)->setText("-42");
        written = table->item(p100, 2)->text();
        for (auto* path : {&csv, &json}) {
            script.Then(WindowScript::Kind<QFileDialog>(), [path](QWidget* save) {
                save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(ToQt(FromUtf8(path->string())));
                static_cast<QDialog*>(save)->accept();
            });
            window->findChild<QPushButton*>(QStringLiteral("export"))->click();
        }
        dialog->reject();
    });
    for (auto answer : {QMessageBox::Ok, QMessageBox::Yes})
        script.Then(WindowScript::Kind<QMessageBox>(), [&boxes, answer](QWidget* box) {
            boxes << qobject_cast<QMessageBox*>(box)->text();
            qobject_cast<QMessageBox*>(box)->button(answer)->click();
        });
    m_dialog->Logic().OnSysCommand(IDM_PARAMETERS);
    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kLinkWaitMs);
    QTRY_VERIFY(!m_dialog->Logic().IsBusy());

    QCOMPARE(heads, (QStringList{"Item", "x", "y", "z", "Default", "Lower", "Upper", "Comment"}));
    QCOMPARE(item, QStringLiteral("P1-00"));
    QVERIFY(marked && !skippedEditable);
    QCOMPARE(boxes, (QStringList{"P1-00=101 refused: out of the limits of P1-00: -100 to 100\nNothing was written.",
                                 "Write to the drive:\n  y:P1-00  2 -> -42"}));
    QVERIFY(afterRefusal == before);
    // Only the pair of P1-00 on axis y changed.
    const uint16_t pair = ParaAddress(1, 0, 1);
    auto after = parameters();
    QCOMPARE(after[pair], uint16_t{0xFFD6});
    after[pair] = before.at(pair);
    after[pair + 1] = before.at(pair + 1);
    QVERIFY(after == before);
    QCOMPARE(written, QStringLiteral("-42"));
    m_dialog->View().FlushLists();
    QVERIFY(Lines(Control<QListWidget>(IDC_LOG)).contains("y:P1-00=-42 (was 2), read back -42"));
    const auto history = ServiceHistory(m_dir / "data").Read().records;
    QVERIFY(!history.empty() && history.back()["operation"] == "parameter");
    QVERIFY(history.back()["changes"][0]["new"] == "-42");

    // Both exports hold the value written and the skipped item.
    QVERIFY(FileText(csv).find("\r\n1,P1-00,1,-42,3,0,-100,100,signed 16-bit,\r\n") != std::string::npos);
    const auto document = nlohmann::json::parse(FileText(json));
    QVERIFY(document[3]["item"] == "P1-00" && document[3]["values"]["y"] == "-42");
    QVERIFY(document[4]["written"] == false);
}

void DesktopTest::messageBoxCaptionsShowTheWholeName() {
    // However short the text, the box leaves the application's name room
    // beside a caption's icon and buttons.
    StartDialog(false);
    Main().show();
    for (const char16_t* text : {u"", u"Fail!", u"Machine is not match!"}) {
        QString caption;
        int width = 0;
        WindowScript script;
        script.Then(WindowScript::Kind<QMessageBox>(), [&](QWidget* box) {
            caption = box->windowTitle();
            width = box->width();
            box->findChild<QPushButton*>()->click();
        });
        m_dialog->View().MessageBox(text, MbButtons::Ok, MbIcon::Warning);
        QVERIFY(script.Done());
        QCOMPARE(caption, ToQt(kApplicationName));
        QFont bold = Main().font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        QVERIFY2(width >= metrics.horizontalAdvance(caption) + 6 * metrics.height(), qPrintable(ToQt(text)));
    }
}

void DesktopTest::templatesFitTheirDialogs() {
    // Every control inside its dialog, and no two shown controls on top of
    // each other (a group box only frames its neighbours).
    for (const DialogTemplate* t :
         {&MainDialogTemplate(), &UploadDialogTemplate(), &ConfirmDialogTemplate(), &AboutDialogTemplate()}) {
        const QRect client(0, 0, t->cx, t->cy);
        for (size_t i = 0; i < t->controls.size(); ++i) {
            const ControlTemplate& a = t->controls[i];
            const QRect ra(a.x, a.y, a.cx, a.cy);
            QVERIFY2(client.contains(ra), qPrintable(ToQt(a.text)));
            for (size_t j = i + 1; j < t->controls.size(); ++j) {
                const ControlTemplate& b = t->controls[j];
                if (!a.shown || !b.shown || a.kind == ControlKind::GroupBox || b.kind == ControlKind::GroupBox)
                    continue;
                QVERIFY2(!ra.intersects(QRect(b.x, b.y, b.cx, b.cy)), qPrintable(ToQt(a.text) + u'/' + ToQt(b.text)));
            }
        }
        // As drawn: a control is either clear of a frame, title included, or
        // inside it.
        TemplateDialog dialog(*t);
        for (const QGroupBox* frame : dialog.findChildren<QGroupBox*>()) {
            const QRect inside = frame->contentsRect().translated(frame->pos());
            for (const QWidget* control : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (control == frame || control->isHidden() || control->isWindow()) continue;
                const QRect r = control->geometry();
                QVERIFY2(!frame->geometry().intersects(r) || inside.contains(r),
                         qPrintable(frame->title() + u'/' + control->objectName()));
            }
        }
    }
}

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
