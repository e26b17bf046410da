#include "app/progress_display.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "platform/wide_string.h"

namespace tarn {

void ShowProgress(IDialogView& view, int barId, int logId, int code, const char16_t* line) {
    view.Show(barId, true);
    view.SetText(barId, u"");
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
    view.SetText(barId, ParameterProgressText(written, toWrite));
    view.ProgressSetPos(barId, 2 + (nextCode - 2) * written / toWrite);
}

std::u16string ParameterProgressText(int written, int toWrite) {
    return u"parameters " + FromUtf8(std::to_string(written)) + u" of " + FromUtf8(std::to_string(toWrite));
}

}  // namespace tarn
