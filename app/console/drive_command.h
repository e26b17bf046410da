#pragma once
// `tarn info`, `upload` and `download` on one drive, through the main
// dialog's own logic; with `--trace FILE` every byte on the line goes to FILE.
#include "app/console/command_line.h"
#include "app/console/signals.h"
#include "platform/profile/profile.h"

namespace tarn::console {

// Returns the command's exit status. `signals`: where a stop signal is taken
// (null: the signals keep their default actions).
int RunDriveCommand(const CommandLine& line, IProfile& profile, StopSignals* signals = nullptr);

}  // namespace tarn::console
