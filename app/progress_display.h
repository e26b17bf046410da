#pragma once
// How both dialogs show a progress code: the bar moves, a code with a line of
// its own logs it, and 100 closes the transfer with a line of 17 equals signs.
#include "app/ui.h"

namespace tarn {

// line: the code's log line, or null when the code has none (or the dialog's
// operation logs none).
void ShowProgress(IDialogView& view, int barId, int logId, int code, const char16_t* line);

}  // namespace tarn
