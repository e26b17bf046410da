#pragma once
// `tarn sim`: a virtual drive on a pseudo-terminal until SIGINT or SIGTERM.
#include "app/console/command_line.h"

namespace tarn::console {

// Blocks SIGINT and SIGTERM for the whole process (call before any thread
// starts), so that the drive's threads never take them and sigwait does.
void BlockStopSignals();

// Returns the exit status; throws UsageError for bad option values.
int RunSimulator(const CommandLine& line);

}  // namespace tarn::console
