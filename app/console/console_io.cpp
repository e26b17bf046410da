#include "app/console/console_io.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/wide_string.h"

namespace tarn::console {

namespace {

constexpr int kBarWidth = 40;

// One line from the terminal, without its end; false at end of input.
bool ReadLine(int fd, std::string& line) {
    line.clear();
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return !line.empty();
        if (c == '\n') return true;
        line.push_back(c);
    }
}

}  // namespace

ConsoleIo::ConsoleIo(std::FILE* out, std::FILE* err, int inFd, bool assumeYes, bool quiet)
    : m_out(out), m_err(err), m_inFd(inFd), m_assumeYes(assumeYes), m_quiet(quiet),
      m_barAllowed(!quiet && ::isatty(::fileno(err)) == 1) {}

ConsoleIo::~ConsoleIo() { ClearBar(); }

void ConsoleIo::ClearBar() {
    if (!m_barDrawn) return;
    std::fputs("\r\033[K", m_err);
    std::fflush(m_err);
    m_barDrawn = false;
}

void ConsoleIo::DrawBar() {
    if (!m_barAllowed || !m_barShown) return;
    const int filled = m_percent * kBarWidth / 100;
    std::string bar = "\r[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(kBarWidth - filled), ' ') + "] ";
    // \033[K: a shorter text than the last one leaves none of it behind.
    std::fprintf(m_err, "%s%3d%%%s%s\033[K", bar.c_str(), m_percent, m_barText.empty() ? "" : "  ",
                 m_barText.c_str());
    std::fflush(m_err);
    m_barDrawn = true;
}

void ConsoleIo::Line(std::u16string_view line) {
    if (m_quiet) return;
    ClearBar();
    std::fprintf(m_out, "%s\n", ToUtf8(line).c_str());
    std::fflush(m_out);
    DrawBar();
}

void ConsoleIo::Message(std::u16string_view text) {
    ClearBar();
    m_lastReason = ToUtf8(text);
    std::fprintf(m_err, "%s\n", m_lastReason.c_str());
    std::fflush(m_err);
    m_reported = true;
    DrawBar();
}

void ConsoleIo::Error(std::string_view reason) {
    ClearBar();
    std::fprintf(m_err, "tarn: %.*s\n", static_cast<int>(reason.size()), reason.data());
    std::fflush(m_err);
    m_reported = true;
    m_lastReason = reason;
}

bool ConsoleIo::Ask(std::u16string_view question) {
    ClearBar();
    const std::string text = ToUtf8(question);
    bool yes = false;
    if (m_assumeYes) {
        yes = true;  // answered without being shown: --yes is the answer given beforehand
    } else if (::isatty(m_inFd) != 1) {
        std::fprintf(m_err, "%s\n[no: no terminal to ask on; --yes answers yes]\n", text.c_str());
    } else {
        std::fprintf(m_err, "%s\nContinue? [y/N] ", text.c_str());
        std::fflush(m_err);
        std::string answer;
        ReadLine(m_inFd, answer);
        std::transform(answer.begin(), answer.end(), answer.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        yes = answer == "y" || answer == "yes";
    }
    std::fflush(m_err);
    if (!yes) m_declined = true;
    DrawBar();
    return yes;
}

void ConsoleIo::ShowProgress(bool shown) {
    if (shown == m_barShown) return;
    m_barShown = shown;
    if (shown)
        DrawBar();
    else
        ClearBar();
}

void ConsoleIo::SetProgressText(std::string text) { m_barText = std::move(text); }

void ConsoleIo::SetProgress(int percent) {
    m_percent = std::clamp(percent, 0, 100);
    if (m_barShown) DrawBar();
}

}  // namespace tarn::console
