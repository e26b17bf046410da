#include "tests/common/recording_view.h"

#include <algorithm>
#include <chrono>

#include "platform/wide_string.h"

namespace tarn::test {

int RecordingView::ComboAdd(int id, const std::u16string& text, void* data) {
    combos[id].emplace_back(text, data);
    return static_cast<int>(combos[id].size()) - 1;
}

int RecordingView::ComboInsert(int id, int index, const std::u16string& text, void* data) {
    auto& items = combos[id];
    index = std::clamp(index, 0, static_cast<int>(items.size()));
    items.insert(items.begin() + index, {text, data});
    if (selection.count(id) && selection[id] >= index) ++selection[id];
    return index;
}

int RecordingView::MessageBox(const std::u16string& text, MbButtons, MbIcon) {
    boxes.push_back(ToUtf8(text));
    if (answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool RecordingView::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        m_window.Dispatch(20);
    }
    m_window.Dispatch(0);
    return true;
}

std::vector<std::string> RecordingView::Log(int id) const {
    std::vector<std::string> lines;
    auto it = lists.find(id);
    if (it != lists.end())
        for (const auto& line : it->second) lines.push_back(ToUtf8(line));
    return lines;
}

}  // namespace tarn::test
