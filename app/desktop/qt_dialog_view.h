#pragma once
// The dialogs' controls as Qt widgets: one template dialog, its controls by id,
// its window for messages from other threads, its timers, message boxes and the
// save-file dialog. The front end wires the controls' notifications to the
// dialog's handlers.
#include <functional>
#include <map>
#include <memory>

#include <QStringList>

#include "app/desktop/gui_window.h"
#include "app/desktop/template_dialog.h"
#include "app/ui.h"

class QTimer;

namespace tarn::desktop {

class QtDialogView : public IDialogView {
public:
    explicit QtDialogView(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~QtDialogView() override;

    TemplateDialog& Dialog() { return *m_dialog; }
    void SetWindowProc(MessageWindow::Handler proc) { m_window.SetProc(std::move(proc)); }

    // Notifications: a button's click, an edit field's text change (typed or
    // set), and a drop-down list's selection change by the user.
    void OnClicked(int id, std::function<void()> handler);
    void OnTextChanged(int id, std::function<void()> handler);
    void OnSelChange(int id, std::function<void()> handler);

    std::u16string GetText(int id) override;
    void SetText(int id, const std::u16string& text) override;
    void SetTextColor(int id, Rgb color) override;
    void SetButtonColors(int id, Rgb background, Rgb text) override;
    bool IsChecked(int id) override;
    void SetChecked(int id, bool checked) override;
    void Enable(int id, bool enabled) override;
    void Show(int id, bool shown) override;
    void ListClear(int id) override;
    void ListAppend(int id, const std::u16string& line) override;
    void ComboClear(int id) override;
    int ComboAdd(int id, const std::u16string& text, void* data) override;
    int ComboInsert(int id, int index, const std::u16string& text, void* data) override;
    int ComboCount(int id) override;
    int ComboGetSel(int id) override;
    void ComboSetSel(int id, int index) override;
    void* ComboGetData(int id, int index) override;
    void ProgressSetRange(int id, int low, int high) override;
    void ProgressSetPos(int id, int position) override;
    void SetTimer(int timerId, unsigned milliseconds) override;
    void KillTimer(int timerId) override;
    void SetFileBrowse(int id, const std::u16string& defaultExtension, const std::u16string& filter) override;
    void AppendSystemMenuItem(int command, const std::u16string& text) override;
    void AppendMenuItem(const MenuItem& item) override;
    void SetMenuItemChecked(int command, bool checked) override;
    std::optional<std::u16string> OpenFileDialog(const std::u16string& title, const std::u16string& filter) override;
    int MessageBox(const std::u16string& text, MbButtons buttons, MbIcon icon) override;
    std::optional<std::u16string> SaveFileDialog(const std::u16string& title, const std::u16string& filter,
                                                 const std::u16string& defaultExtension,
                                                 SaveFileOptions options) override;
    IWindow* Window() override { return &m_window; }
    void EndDialog(int result) override;

    // Puts the lines appended since the last turn of the event loop into their
    // lists now (the event loop does so by itself).
    void FlushLists();

private:
    QWidget& ControlOf(int id);

    std::unique_ptr<TemplateDialog> m_dialog;
    GuiWindow m_window;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    // Lines wait here until the event loop's next turn, so that the thousands
    // of lines of an image load cost the list one insertion and one scroll.
    std::map<int, QStringList> m_pendingLines;
    bool m_flushQueued = false;
};

}  // namespace tarn::desktop
