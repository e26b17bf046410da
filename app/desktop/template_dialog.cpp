#include "app/desktop/template_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include "app/desktop/app_icon.h"
#include "app/desktop/file_edit.h"
#include "app/desktop/qt_text.h"
#include "widgets/button_st.h"
#include "widgets/static_text.h"

namespace tarn::desktop {

namespace {

void SetUpLabel(QLabel* label, const QString& text) {
    label->setText(text);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
}

}  // namespace

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), m_units(BaseUnitsOf(font())), m_systemMenu(this) {
    setWindowTitle(ToQt(dialogTemplate.caption));
    // A fixed-size pop-up with a caption: no resize grip, no help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(ToPixels(m_units, 0, 0, dialogTemplate.cx, dialogTemplate.cy).size());
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = CreateControl(control);
        widget->setGeometry(ToPixels(m_units, control.x, control.y, control.cx, control.cy));
        widget->setVisible(control.shown);
        widget->installEventFilter(this);  // the keys of the window's menu
        if (control.id != IDC_STATIC) {
            widget->setObjectName(QString::number(control.id));
            m_controls[control.id] = widget;
        }
    }
}

QWidget* TemplateDialog::CreateControl(const ControlTemplate& control) {
    const QString text = ToQt(control.text);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::Static: {
            auto* label = new QLabel(this);
            SetUpLabel(label, text);
            widget = label;
            break;
        }
        case ControlKind::ColourStatic: {
            auto* label = new CStaticText(this);
            SetUpLabel(label, text);
            widget = label;
            break;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(this);
            const QRect area = ToPixels(m_units, 0, 0, control.cx, control.cy);
            label->setPixmap(ApplicationIconPixmap(std::min(area.width(), area.height())));
            widget = label;
            break;
        }
        case ControlKind::GroupBox:
            widget = new QGroupBox(text, this);
            break;
        case ControlKind::DropDownList:
            widget = new QComboBox(this);
            break;
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text, this);
            // Only the template's default button is one: a dialog would otherwise
            // make the first push button its default.
            button->setAutoDefault(false);
            button->setDefault(control.kind == ControlKind::DefaultPushButton);
            widget = button;
            break;
        }
        case ControlKind::ColourButton: {
            auto* button = new CButtonST(this);
            button->setText(text);
            button->setAutoDefault(false);
            widget = button;
            break;
        }
        case ControlKind::Edit:
            widget = new QLineEdit(text, this);
            break;
        case ControlKind::FileEdit:
            widget = new FileEdit(this);
            break;
        case ControlKind::CheckBox:
            widget = new QCheckBox(text, this);
            break;
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(this);
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(this);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            // A log line is one line of text: the list need not measure each.
            list->setUniformItemSizes(true);
            widget = list;
            break;
        }
    }
    // Labels, pictures and frames let presses through to the dialog's surface.
    if (control.kind == ControlKind::Static || control.kind == ControlKind::ColourStatic ||
        control.kind == ControlKind::Icon || control.kind == ControlKind::GroupBox)
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    return widget;
}

QWidget* TemplateDialog::Control(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void TemplateDialog::AppendSystemMenuItem(int command, const QString& text) {
    m_systemMenu.addSeparator();
    QAction* item = m_systemMenu.addAction(text);
    connect(item, &QAction::triggered, this, [this, command] {
        if (m_sysCommand) m_sysCommand(command);
    });
}

QAction* TemplateDialog::AppendMenuItem(int command, const QString& text, const QKeySequence& shortcut,
                                        bool checkable, bool checked) {
    if (m_menuActions.empty()) m_systemMenu.addSeparator();
    QAction* item = m_systemMenu.addAction(text);
    item->setCheckable(checkable);
    item->setChecked(checked);
    if (!shortcut.isEmpty()) {
        item->setShortcut(shortcut);
        item->setShortcutContext(Qt::WindowShortcut);
        addAction(item);  // the shortcut works with the menu closed
    }
    // A checkable item shows the state the logic sets, not one Qt toggles on its own.
    connect(item, &QAction::triggered, this, [this, command, item, checkable] {
        if (checkable) item->setChecked(!item->isChecked());
        if (m_sysCommand) m_sysCommand(command);
    });
    m_menuActions[command] = item;
    return item;
}

QAction* TemplateDialog::MenuAction(int command) const {
    auto it = m_menuActions.find(command);
    return it == m_menuActions.end() ? nullptr : it->second;
}

void TemplateDialog::reject() {
    if (m_cancel)
        m_cancel();
    else
        QDialog::reject();
}

bool TemplateDialog::OpenMenuFromKeyboard(QEvent* event) {
    bool asked = false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        asked = (key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
                (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
    } else if (event->type() == QEvent::ContextMenu) {
        // The Menu key, as some window systems deliver it.
        asked = static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    }
    if (!asked || m_systemMenu.isEmpty()) return false;
    event->accept();
    // At the client area's corner, where a system menu opens.
    m_systemMenu.exec(mapToGlobal(QPoint(0, 0)));
    return true;
}

bool TemplateDialog::eventFilter(QObject* watched, QEvent* event) {
    return OpenMenuFromKeyboard(event) || QDialog::eventFilter(watched, event);
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
    if (OpenMenuFromKeyboard(event)) return;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && modifiers == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled()) button->click();
            return;
        }
        if (m_ok) {
            m_ok();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void TemplateDialog::mousePressEvent(QMouseEvent* event) {
    if (m_movableBySurface && event->button() == Qt::LeftButton && windowHandle()) {
        windowHandle()->startSystemMove();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void TemplateDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (OpenMenuFromKeyboard(event)) return;
    if (m_systemMenu.isEmpty()) {
        event->ignore();
        return;
    }
    m_systemMenu.exec(event->globalPos());
}

}  // namespace tarn::desktop
