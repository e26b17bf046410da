#pragma once
// Where the `tarn` command meets its user: the dialogs' log lines go to stdout,
// one per line; message texts and the progress bar go to stderr (the bar only
// when stderr is a terminal); questions are asked on the terminal.
#include <cstdio>
#include <string>
#include <string_view>

namespace tarn::console {

class ConsoleIo {
public:
    // assumeYes: every question is answered Yes (or Ok) without asking. Without
    // it a question is asked when `inFd` is a terminal and answered No (or
    // Cancel) when it is not.
    // quiet: the log lines and the bar are left out; messages, failures and
    // summaries still come.
    ConsoleIo(std::FILE* out, std::FILE* err, int inFd, bool assumeYes, bool quiet = false);
    ~ConsoleIo();
    ConsoleIo(const ConsoleIo&) = delete;
    ConsoleIo& operator=(const ConsoleIo&) = delete;

    void Line(std::u16string_view line);
    void Message(std::u16string_view text);
    // A failure of the command's own, "tarn: " and the reason.
    void Error(std::string_view reason);
    // True for Yes / Ok.
    bool Ask(std::u16string_view question);

    void ShowProgress(bool shown);
    void SetProgress(int percent);
    // Shown after the percentage ("parameters 120 of 332"); empty: nothing.
    void SetProgressText(std::string text);

    // Whether a message or an error went to stderr, and whether a question
    // was answered No.
    bool Reported() const { return m_reported; }
    bool Declined() const { return m_declined; }
    // The last message or failure said, for a result document's "error".
    const std::string& LastReason() const { return m_lastReason; }

private:
    void ClearBar();
    void DrawBar();

    std::FILE* m_out;
    std::FILE* m_err;
    int m_inFd;
    bool m_assumeYes;
    bool m_quiet;
    bool m_barAllowed;
    bool m_barShown = false;
    bool m_barDrawn = false;
    int m_percent = 0;
    std::string m_barText;
    bool m_reported = false;
    bool m_declined = false;
    std::string m_lastReason;
};

}  // namespace tarn::console
