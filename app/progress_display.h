#pragma once
// How both dialogs show a progress code: the bar moves, a code with a line of
// its own logs it, and 100 closes the transfer with a line of 17 equals signs.
#include "app/ui.h"
#include "image/cfg_exchange.h"

namespace tarn {

// line: the code's log line, or null when the code has none (or the dialog's
// operation logs none).
void ShowProgress(IDialogView& view, int barId, int logId, int code, const char16_t* line);

// The bar during the parameter stage, which takes most of a download's time:
// from the stage's own code (2) toward `nextCode`, the code of the stage that
// follows, as the items are written.
// The code of the write's stage after its parameters, as the download's choices give it.
int NextStageCode(const CCfgExchange& cfg);
// The bar's text says how far the stage is: "parameters 120 of 332". A stage's
// own code clears it.
void ShowParameterProgress(IDialogView& view, int barId, int written, int toWrite, int nextCode);
std::u16string ParameterProgressText(int written, int toWrite);

}  // namespace tarn
