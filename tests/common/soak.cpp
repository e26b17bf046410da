#include "tests/common/soak.h"

#include <memory>

#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"
#include "tests/common/workflow_rig.h"

namespace tarn::test {

ProcessFigures RunSoak(const sim::DriveDescription& description, const std::filesystem::path& workDir, int cycles,
                       const std::function<bool(const SoakCycle&)>& after) {
    std::filesystem::create_directories(workDir);
    auto model = std::make_shared<sim::ServoDrive>(description);
    sim::VirtualDrive drive(description.station, model);
    WorkflowRig rig(drive.Path(), workDir);
    const ProcessFigures start = MeasureProcess();
    if (!rig.Connect()) return start;
    const auto image = workDir / "soak.tkw";
    for (int n = 1; n <= cycles; ++n) {
        SoakCycle cycle;
        cycle.number = n;
        const auto up = rig.Upload(image);
        drive.ClearRequests();  // the drive's log of requests is the drive's, not the tool's
        const auto down = up.empty() || up.back() != "Finished!" ? std::vector<std::string>{} : rig.Download(image);
        drive.ClearRequests();
        rig.TakeBoxes();
        cycle.finished = !down.empty() && down.back() == "Finished!";
        cycle.figures = MeasureProcess();
        if (!after(cycle)) break;
    }
    return start;
}

}  // namespace tarn::test
