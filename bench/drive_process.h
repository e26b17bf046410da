#pragma once
// A virtual drive in a child process of its own, so that the benchmark's CPU
// figures are the tool's alone. The drive is set up in the child by `setUp`;
// Stop ends it and returns how late its paced replies went out on average.
#include <sys/types.h>

#include <functional>
#include <string>

#include "sim/virtual_drive.h"

namespace tarn::bench {

class DriveProcess {
public:
    explicit DriveProcess(const std::function<void(sim::VirtualDrive&)>& setUp,
                          std::shared_ptr<sim::DriveModel> model = nullptr, uint8_t station = 1);
    ~DriveProcess();
    DriveProcess(const DriveProcess&) = delete;
    DriveProcess& operator=(const DriveProcess&) = delete;

    const std::string& Path() const { return m_path; }
    // Mean lateness of the paced replies, in microseconds.
    double Stop();

private:
    pid_t m_child = -1;
    int m_control = -1;  // a byte from Stop: the child's cue to report and end
    int m_report = -1;
    std::string m_path;
};

// The process's own CPU time (all its threads), in seconds.
double CpuSeconds();

}  // namespace tarn::bench
