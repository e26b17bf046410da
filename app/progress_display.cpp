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

int NextStageCode(const CCfgExchange& cfg) {
    if (cfg.DownloadSizes) return 5;
    if (cfg.DownloadProgramDV) return 15;
    if (cfg.DownloadDH) return 50;
    if (cfg.DownloadMH) return 70;
    return 100;
}

void ShowParameterProgress(IDialogView& view, int barId, int written, int toWrite, int nextCode) {
    if (toWrite <= 0) return;
    view.ProgressSetPos(barId, 2 + (nextCode - 2) * written / toWrite);
}

}  // namespace tarn
