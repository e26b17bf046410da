#include "app/progress_display.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tarn {

void ShowProgress(IDialogView& view, int barId, int logId, int code, const char16_t* line) {
    view.Show(barId, true);
    view.ProgressSetPos(barId, std::clamp(code, 0, 100));
    if (line) view.ListAppend(logId, line);
    if (code == 100) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        view.Show(barId, false);
        view.ListAppend(logId, u"=================");
    }
}

}  // namespace tarn
