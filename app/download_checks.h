#pragma once
// Checks of the main dialog's download before anything is written: values of
// the image outside their item's limits, and an image taken from firmware
// other than the drive's. Each finding is a Yes/No question.
#include "app/ui.h"
#include "image/dev_info.h"
#include "params/para_mgr.h"

namespace tarn {

// True when the download may go on: nothing found, or each question answered
// Yes. `para`: the image's parameters when they are to be written, else null.
bool ConfirmDownloadChecks(IDialogView& view, const CParaMgr* para, const CDevInfo& image, const CDevInfo& drive);

}  // namespace tarn
