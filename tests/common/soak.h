#pragma once
// Upload-then-download cycles against one virtual drive, all in one process
// and one main dialog, as a technician's long day at the bench would run them.
#include <filesystem>
#include <functional>

#include "sim/drive_description.h"
#include "tests/common/process_figures.h"

namespace tarn::test {

struct SoakCycle {
    int number = 0;          // from 1
    bool finished = false;   // both transfers ended with "Finished!"
    ProcessFigures figures;  // after the cycle
};

// Connects once, then runs `cycles` cycles, each uploading the drive into an
// image in `workDir` and downloading that image back; `after` sees every cycle
// and may stop the run by returning false. Returns the figures before the first.
ProcessFigures RunSoak(const sim::DriveDescription& drive, const std::filesystem::path& workDir, int cycles,
                       const std::function<bool(const SoakCycle&)>& after);

}  // namespace tarn::test
