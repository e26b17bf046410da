#pragma once
// `tarn param list|get|set`: single parameters of a connected drive, read,
// checked against their items and written as the parameter download writes them.
#include "app/console/command_line.h"
#include "platform/profile/profile.h"

namespace tarn::console {

// The exit status: 0 done, 1 failed or refused, 2 usage.
int RunParamCommand(const CommandLine& line, IProfile& profile);

}  // namespace tarn::console
