#pragma once
// The console's modal loop: runs a dialog's window messages and timers on the
// calling thread until a condition holds. Waiting happens in the window's
// Dispatch, bounded by the next timer deadline.
#include <functional>

#include "app/console/console_view.h"

namespace tarn::console {

// Runs `view`'s messages and timers until `done` returns true. `outer`, when
// given, is the window of the dialog that opened this one: its messages run
// too (as a modal loop runs every window of its thread).
void RunUntil(ConsoleView& view, const std::function<bool()>& done, ConsoleView* outer = nullptr);

}  // namespace tarn::console
