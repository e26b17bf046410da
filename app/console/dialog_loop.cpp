#include "app/console/dialog_loop.h"

#include <algorithm>

namespace tarn::console {

namespace {

// The longest single wait: a condition may turn true without a message (a
// worker's flag), and an outer dialog's messages are looked at between waits.
constexpr std::chrono::milliseconds kLongestWait{50};

}  // namespace

void RunUntil(ConsoleView& view, const std::function<bool()>& done, ConsoleView* outer) {
    while (!done()) {
        view.FireDueTimers();
        if (outer) {
            outer->FireDueTimers();
            outer->Loop().Dispatch(0);
        }
        if (done()) break;
        auto wait = kLongestWait;
        if (auto due = view.NextDeadline()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - ConsoleView::Clock::now());
            wait = std::clamp(left, std::chrono::milliseconds(0), kLongestWait);
        }
        // A wait of 0 only runs what is queued; a due timer fires on the next round.
        view.Loop().Dispatch(static_cast<int>(std::max<int64_t>(wait.count(), 1)));
    }
    view.Loop().Dispatch(0);
}

}  // namespace tarn::console
