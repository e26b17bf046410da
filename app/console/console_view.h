#pragma once
// A dialog's controls for the `tarn` command: control state is kept as data,
// the dialog's log list goes to the console line by line, its progress bar to
// the console's bar, message boxes to stderr, and timers are deadlines that the
// dialog loop (dialog_loop.h) fires.
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/console/console_io.h"
#include "app/message_window.h"
#include "app/ui.h"

namespace tarn::console {

class ConsoleView : public IDialogView {
public:
    using Clock = std::chrono::steady_clock;

    // logId and progressId: the dialog's log list and progress bar. saveAs: what
    // the save-file dialog answers (nothing: it is cancelled). The view's window
    // belongs to the constructing thread.
    ConsoleView(ConsoleIo& io, int logId, int progressId, std::optional<std::u16string> saveAs = {});

    // The dialog's window procedure; messages that arrive before it is set are dropped.
    void SetWindowProc(MessageWindow::Handler proc) { m_proc = std::move(proc); }
    MessageWindow& Loop() { return m_window; }

    const std::vector<std::u16string>& LogLines() const { return m_log; }
    bool Ended() const { return m_ended; }
    bool TimerSet(int id) const { return m_timers.count(id) != 0; }
    // The earliest timer deadline, if any timer runs.
    std::optional<Clock::time_point> NextDeadline() const;
    // Delivers WM_TIMER for every timer whose deadline has passed.
    void FireDueTimers();

    std::u16string GetText(int id) override;
    void SetText(int id, const std::u16string& text) override;
    void SetTextColor(int, Rgb) override {}
    void SetButtonColors(int, Rgb, Rgb) override {}
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
    // The console browses no files and has no system menu.
    void SetFileBrowse(int, const std::u16string&, const std::u16string&) override {}
    void AppendSystemMenuItem(int, const std::u16string&) override {}
    int MessageBox(const std::u16string& text, MbButtons buttons, MbIcon icon) override;
    // Answers with the file given on the command line; an existing one is
    // replaced only when the user agrees (or gave --yes).
    std::optional<std::u16string> SaveFileDialog(const std::u16string& title, const std::u16string& filter,
                                                 const std::u16string& defaultExtension,
                                                 SaveFileOptions options) override;
    IWindow* Window() override { return &m_window; }
    void EndDialog(int result) override;

private:
    struct Combo {
        std::vector<std::pair<std::u16string, void*>> items;
        int selected = -1;
    };
    struct Timer {
        std::chrono::milliseconds period;
        Clock::time_point due;
    };

    ConsoleIo& m_io;
    int m_logId;
    int m_progressId;
    std::optional<std::u16string> m_saveAs;
    MessageWindow::Handler m_proc;
    MessageWindow m_window;
    std::map<int, std::u16string> m_texts;
    std::map<int, bool> m_checked;
    std::map<int, bool> m_enabled;
    std::map<int, Combo> m_combos;
    std::map<int, Timer> m_timers;
    std::vector<std::u16string> m_log;
    int m_progressLow = 0;
    int m_progressHigh = 100;
    bool m_ended = false;
};

}  // namespace tarn::console
