#include "app/console/console_view.h"

#include <algorithm>
#include <filesystem>

#include "app/dialog_texts.h"
#include "platform/wide_string.h"

namespace tarn::console {

ConsoleView::ConsoleView(ConsoleIo& io, int logId, int progressId, std::optional<std::u16string> saveAs)
    : m_io(io), m_logId(logId), m_progressId(progressId), m_saveAs(std::move(saveAs)),
      m_window([this](uint32_t message, WPARAM wParam, LPARAM lParam) -> LRESULT {
          return m_proc ? m_proc(message, wParam, lParam) : 0;
      }) {}

std::u16string ConsoleView::GetText(int id) {
    auto it = m_texts.find(id);
    return it == m_texts.end() ? std::u16string() : it->second;
}

void ConsoleView::SetText(int id, const std::u16string& text) {
    m_texts[id] = text;
    if (id == m_progressId) m_io.SetProgressText(ToUtf8(text));
}

bool ConsoleView::IsChecked(int id) {
    auto it = m_checked.find(id);
    return it != m_checked.end() && it->second;
}

void ConsoleView::SetChecked(int id, bool checked) { m_checked[id] = checked; }
void ConsoleView::Enable(int id, bool enabled) { m_enabled[id] = enabled; }

void ConsoleView::Show(int id, bool shown) {
    if (id == m_progressId) m_io.ShowProgress(shown);
}

void ConsoleView::ListClear(int id) {
    if (id == m_logId) m_log.clear();
}

void ConsoleView::ListAppend(int id, const std::u16string& line) {
    if (id != m_logId) return;
    m_log.push_back(line);
    m_io.Line(line);
}

void ConsoleView::ComboClear(int id) { m_combos[id] = Combo{}; }

int ConsoleView::ComboAdd(int id, const std::u16string& text, void* data) {
    Combo& combo = m_combos[id];
    combo.items.emplace_back(text, data);
    return static_cast<int>(combo.items.size()) - 1;
}

int ConsoleView::ComboInsert(int id, int index, const std::u16string& text, void* data) {
    Combo& combo = m_combos[id];
    index = std::clamp(index, 0, static_cast<int>(combo.items.size()));
    combo.items.insert(combo.items.begin() + index, {text, data});
    if (combo.selected >= index) ++combo.selected;
    return index;
}

int ConsoleView::ComboCount(int id) { return static_cast<int>(m_combos[id].items.size()); }
int ConsoleView::ComboGetSel(int id) { return m_combos[id].selected; }

void ConsoleView::ComboSetSel(int id, int index) {
    Combo& combo = m_combos[id];
    combo.selected = index >= 0 && index < static_cast<int>(combo.items.size()) ? index : -1;
}

void* ConsoleView::ComboGetData(int id, int index) {
    Combo& combo = m_combos[id];
    if (index < 0 || index >= static_cast<int>(combo.items.size())) return nullptr;
    return combo.items[static_cast<size_t>(index)].second;
}

void ConsoleView::ProgressSetRange(int id, int low, int high) {
    if (id != m_progressId) return;
    m_progressLow = low;
    m_progressHigh = high > low ? high : low + 1;
}

void ConsoleView::ProgressSetPos(int id, int position) {
    if (id != m_progressId) return;
    m_io.SetProgress((position - m_progressLow) * 100 / (m_progressHigh - m_progressLow));
}

void ConsoleView::SetTimer(int timerId, unsigned milliseconds) {
    const std::chrono::milliseconds period(milliseconds);
    m_timers[timerId] = Timer{period, Clock::now() + period};
}

void ConsoleView::KillTimer(int timerId) { m_timers.erase(timerId); }

std::optional<ConsoleView::Clock::time_point> ConsoleView::NextDeadline() const {
    std::optional<Clock::time_point> next;
    for (const auto& [id, timer] : m_timers)
        if (!next || timer.due < *next) next = timer.due;
    return next;
}

void ConsoleView::FireDueTimers() {
    const Clock::time_point now = Clock::now();
    std::vector<int> due;
    for (auto& [id, timer] : m_timers) {
        if (timer.due > now) continue;
        due.push_back(id);
        timer.due = now + timer.period;
    }
    // The handler may kill or set timers, so the due ones are collected first.
    for (int id : due)
        if (m_timers.count(id)) m_window.Send(WM_TIMER, static_cast<WPARAM>(id), 0);
}

int ConsoleView::MessageBox(const std::u16string& text, MbButtons buttons, MbIcon) {
    switch (buttons) {
        case MbButtons::YesNo:
            if (text == kDHQuestion) return m_io.Ask(text + u"\n" + kDHQuestionEnglish) ? IDYES : IDNO;
            return m_io.Ask(text) ? IDYES : IDNO;
        case MbButtons::OkCancel:
            return m_io.Ask(text) ? IDOK : IDCANCEL;
        case MbButtons::Ok:
            break;
    }
    m_io.Message(text);
    return IDOK;
}

std::optional<std::u16string> ConsoleView::SaveFileDialog(const std::u16string&, const std::u16string&,
                                                          const std::u16string&, SaveFileOptions options) {
    if (!m_saveAs || !options.confirmOverwrite) return m_saveAs;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::path(ToUtf8(*m_saveAs)), ec)) return m_saveAs;
    if (!m_io.Ask(u"\"" + *m_saveAs + u"\" already exists.\nDo you want to replace it?")) return std::nullopt;
    return m_saveAs;
}

void ConsoleView::EndDialog(int) { m_ended = true; }

}  // namespace tarn::console
