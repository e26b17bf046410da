#include "app/desktop/qt_dialog_view.h"

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QTimer>
#include <stdexcept>

#include "app/desktop/file_edit.h"
#include "app/desktop/qt_text.h"
#include "app/dialog_texts.h"
#include "widgets/button_st.h"
#include "widgets/static_text.h"

namespace tarn::desktop {

namespace {

QColor ToQColor(Rgb color) { return QColor(color.r, color.g, color.b); }

QMessageBox::Icon ToQtIcon(MbIcon icon) {
    switch (icon) {
        case MbIcon::Question: return QMessageBox::Question;
        case MbIcon::Information: return QMessageBox::Information;
        case MbIcon::Error: return QMessageBox::Critical;
        case MbIcon::Warning: break;
    }
    return QMessageBox::Warning;
}

// A window manager puts an icon and buttons beside a caption and shortens a
// caption that does not fit; Qt sizes a box for its text alone. A short text
// would so cut the application's name, so the box is made wide enough for the
// name in a bold caption font and eight font heights of icon and buttons.
void KeepCaptionWhole(QMessageBox& box) {
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 8 * metrics.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

}  // namespace

QtDialogView::QtDialogView(const DialogTemplate& dialogTemplate, QWidget* parent)
    : m_dialog(std::make_unique<TemplateDialog>(dialogTemplate, parent)) {}

QtDialogView::~QtDialogView() = default;

QWidget& QtDialogView::ControlOf(int id) {
    QWidget* control = m_dialog->Control(id);
    // The dialogs' logic addresses the controls of its own template only.
    if (!control) throw std::logic_error("no control " + std::to_string(id) + " in this dialog");
    return *control;
}

void QtDialogView::OnClicked(int id, std::function<void()> handler) {
    auto* button = qobject_cast<QAbstractButton*>(&ControlOf(id));
    QObject::connect(button, &QAbstractButton::clicked, m_dialog.get(), [handler] { handler(); });
}

void QtDialogView::OnTextChanged(int id, std::function<void()> handler) {
    auto* edit = qobject_cast<QLineEdit*>(&ControlOf(id));
    QObject::connect(edit, &QLineEdit::textChanged, m_dialog.get(), [handler] { handler(); });
}

void QtDialogView::OnSelChange(int id, std::function<void()> handler) {
    auto* combo = qobject_cast<QComboBox*>(&ControlOf(id));
    QObject::connect(combo, &QComboBox::activated, m_dialog.get(), [handler] { handler(); });
}

std::u16string QtDialogView::GetText(int id) {
    QWidget& control = ControlOf(id);
    if (auto* edit = qobject_cast<QLineEdit*>(&control)) return FromQt(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) return FromQt(button->text());
    if (auto* label = qobject_cast<QLabel*>(&control)) return FromQt(label->text());
    if (auto* combo = qobject_cast<QComboBox*>(&control)) return FromQt(combo->currentText());
    return {};
}

void QtDialogView::SetText(int id, const std::u16string& text) {
    QWidget& control = ControlOf(id);
    if (auto* edit = qobject_cast<QLineEdit*>(&control))
        edit->setText(ToQt(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(&control))
        button->setText(ToQt(text));
    else if (auto* label = qobject_cast<QLabel*>(&control))
        label->setText(ToQt(text));
}

void QtDialogView::SetTextColor(int id, Rgb color) {
    if (auto* label = qobject_cast<CStaticText*>(&ControlOf(id))) label->SetTextColor(ToQColor(color));
}

void QtDialogView::SetButtonColors(int id, Rgb background, Rgb text) {
    auto* button = qobject_cast<CButtonST*>(&ControlOf(id));
    if (!button) return;
    for (auto state : {CButtonST::State::In, CButtonST::State::Out, CButtonST::State::Focus})
        button->SetColor(state, ToQColor(background), ToQColor(text));
}

bool QtDialogView::IsChecked(int id) {
    auto* box = qobject_cast<QAbstractButton*>(&ControlOf(id));
    return box && box->isChecked();
}

void QtDialogView::SetChecked(int id, bool checked) {
    if (auto* box = qobject_cast<QCheckBox*>(&ControlOf(id))) box->setChecked(checked);
}

void QtDialogView::Enable(int id, bool enabled) { ControlOf(id).setEnabled(enabled); }

void QtDialogView::Show(int id, bool shown) { ControlOf(id).setVisible(shown); }

void QtDialogView::ListClear(int id) {
    m_pendingLines.erase(id);
    if (auto* list = qobject_cast<QListWidget*>(&ControlOf(id))) list->clear();
}

void QtDialogView::ListAppend(int id, const std::u16string& line) {
    if (!qobject_cast<QListWidget*>(&ControlOf(id))) return;
    m_pendingLines[id].append(ToQt(line));
    if (m_flushQueued) return;
    m_flushQueued = true;
    QTimer::singleShot(0, m_dialog.get(), [this] { FlushLists(); });
}

void QtDialogView::FlushLists() {
    m_flushQueued = false;
    for (auto& [id, lines] : m_pendingLines) {
        auto* list = qobject_cast<QListWidget*>(&ControlOf(id));
        list->addItems(lines);
        // The new last line is selected and scrolled into view.
        list->setCurrentRow(list->count() - 1);
        list->scrollToBottom();
    }
    m_pendingLines.clear();
}

void QtDialogView::ComboClear(int id) {
    if (auto* combo = qobject_cast<QComboBox*>(&ControlOf(id))) combo->clear();
}

int QtDialogView::ComboAdd(int id, const std::u16string& text, void* data) {
    auto* combo = qobject_cast<QComboBox*>(&ControlOf(id));
    if (!combo) return -1;
    combo->addItem(ToQt(text), QVariant::fromValue(data));
    // An added item does not select itself.
    if (combo->count() == 1) combo->setCurrentIndex(-1);
    return combo->count() - 1;
}

int QtDialogView::ComboInsert(int id, int index, const std::u16string& text, void* data) {
    auto* combo = qobject_cast<QComboBox*>(&ControlOf(id));
    if (!combo) return -1;
    index = std::clamp(index, 0, combo->count());
    const bool wasEmpty = combo->count() == 0;
    combo->insertItem(index, ToQt(text), QVariant::fromValue(data));
    if (wasEmpty) combo->setCurrentIndex(-1);
    return index;
}

int QtDialogView::ComboCount(int id) {
    auto* combo = qobject_cast<QComboBox*>(&ControlOf(id));
    return combo ? combo->count() : 0;
}

int QtDialogView::ComboGetSel(int id) {
    auto* combo = qobject_cast<QComboBox*>(&ControlOf(id));
    return combo ? combo->currentIndex() : -1;
}

void QtDialogView::ComboSetSel(int id, int index) {
    if (auto* combo = qobject_cast<QComboBox*>(&ControlOf(id))) combo->setCurrentIndex(index);
}

void* QtDialogView::ComboGetData(int id, int index) {
    auto* combo = qobject_cast<QComboBox*>(&ControlOf(id));
    return combo ? combo->itemData(index).value<void*>() : nullptr;
}

void QtDialogView::ProgressSetRange(int id, int low, int high) {
    if (auto* bar = qobject_cast<QProgressBar*>(&ControlOf(id))) bar->setRange(low, high);
}

void QtDialogView::ProgressSetPos(int id, int position) {
    auto* bar = qobject_cast<QProgressBar*>(&ControlOf(id));
    if (!bar) return;
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
}

void QtDialogView::SetTimer(int timerId, unsigned milliseconds) {
    auto& timer = m_timers[timerId];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, m_dialog.get(), [this, timerId] {
            m_window.Send(WM_TIMER, static_cast<WPARAM>(timerId), 0);
        });
    }
    timer->start(static_cast<int>(milliseconds));
}

void QtDialogView::KillTimer(int timerId) {
    if (auto it = m_timers.find(timerId); it != m_timers.end()) it->second->stop();
}

void QtDialogView::SetFileBrowse(int id, const std::u16string& defaultExtension, const std::u16string& filter) {
    if (auto* edit = qobject_cast<FileEdit*>(&ControlOf(id)))
        edit->SetBrowse(ToQtNameFilters(filter), ToQtDefaultSuffix(defaultExtension));
}

void QtDialogView::AppendSystemMenuItem(int command, const std::u16string& text) {
    m_dialog->AppendSystemMenuItem(command, ToQt(text));
}

void QtDialogView::AppendMenuItem(const MenuItem& item) {
    m_dialog->AppendMenuItem(item.command, ToQt(item.text), QKeySequence(ToQt(item.shortcut)), item.checkable,
                             item.checked);
}

void QtDialogView::SetMenuItemChecked(int command, bool checked) {
    if (QAction* action = m_dialog->MenuAction(command)) action->setChecked(checked);
}

std::optional<std::u16string> QtDialogView::OpenFileDialog(const std::u16string& title, const std::u16string& filter) {
    QFileDialog dialog(m_dialog.get(), ToQt(title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(ToQtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FromQt(dialog.selectedFiles().first());
}

int QtDialogView::MessageBox(const std::u16string& text, MbButtons buttons, MbIcon icon) {
    FlushLists();  // the log behind the box shows what led to it
    QMessageBox box(ToQtIcon(icon), ToQt(kApplicationName), ToQt(text), QMessageBox::NoButton, m_dialog.get());
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
        case MbButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MbButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MbButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
    }
    KeepCaptionWhole(box);
    switch (box.exec()) {
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        default: return IDOK;
    }
}

std::optional<std::u16string> QtDialogView::SaveFileDialog(const std::u16string& title, const std::u16string& filter,
                                                           const std::u16string& defaultExtension,
                                                           SaveFileOptions options) {
    QFileDialog dialog(m_dialog.get(), ToQt(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(ToQtNameFilters(filter));
    dialog.setDefaultSuffix(ToQtDefaultSuffix(defaultExtension));
    // Qt's save dialog has no "open as read-only" box, so hideReadOnly holds as it is.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FromQt(dialog.selectedFiles().first());
}

void QtDialogView::EndDialog(int result) { m_dialog->done(result); }

}  // namespace tarn::desktop
