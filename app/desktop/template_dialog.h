#pragma once
// A dialog window built from a template: its controls are created in template
// order at their rectangles (dialog units of the dialog's font) and found by
// id. Enter, Esc and a close request go to the handlers the front end sets, as
// a dialog's OK and Cancel commands do; without handlers they end the dialog.
#include <QDialog>
#include <QMenu>
#include <functional>
#include <map>

#include "app/desktop/dialog_template.h"
#include "app/desktop/dialog_units.h"

namespace tarn::desktop {

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);

    // The control of an id; null when the template has none.
    QWidget* Control(int id) const;
    template <class W>
    W* ControlAs(int id) const {
        return qobject_cast<W*>(Control(id));
    }
    const DialogBaseUnits& Units() const { return m_units; }

    // Enter pressed anywhere but on a push button (a focused button takes Enter
    // as its own click).
    void SetOkHandler(std::function<void()> handler) { m_ok = std::move(handler); }
    // Esc, and a request to close the window.
    void SetCancelHandler(std::function<void()> handler) { m_cancel = std::move(handler); }

    // The window's command menu: on this desktop a context menu on the
    // window's surface, and Shift+F10 or the Menu key wherever the focus is, as
    // a window's system menu opens from the keyboard. Choosing an item calls
    // the handler with its command.
    void AppendSystemMenuItem(int command, const QString& text);
    // Further items of that menu; their shortcuts work while the window is active.
    QAction* AppendMenuItem(int command, const QString& text, const QKeySequence& shortcut, bool checkable,
                            bool checked);
    // The item of a command, null when there is none.
    QAction* MenuAction(int command) const;
    void SetSysCommandHandler(std::function<void(int)> handler) { m_sysCommand = std::move(handler); }
    QMenu& SystemMenu() { return m_systemMenu; }
    // A press on any point of the surface that no control covers moves the window.
    void SetMovableBySurface(bool movable) { m_movableBySurface = movable; }

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateControl(const ControlTemplate& control);
    // The keys that open the window's menu, and a context menu that the
    // keyboard asked for; true when the menu ran.
    bool OpenMenuFromKeyboard(QEvent* event);

    DialogBaseUnits m_units;
    std::map<int, QWidget*> m_controls;
    std::function<void()> m_ok;
    std::function<void()> m_cancel;
    std::function<void(int)> m_sysCommand;
    QMenu m_systemMenu;
    std::map<int, QAction*> m_menuActions;
    bool m_movableBySurface = false;
};

}  // namespace tarn::desktop
