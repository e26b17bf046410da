#pragma once
// A configuration object wired to a parameter manager and a command set on a
// virtual servo drive, with a clock that only pretends to sleep.
#include <gtest/gtest.h>

#include "tests/common/fast_clock.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_inst.h"
#include "image/cfg_exchange.h"
#include "link/hct_comm.h"
#include "params/para_mgr.h"
#include "tests/common/drive_rig.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"

namespace tarn::test {

// Keeps the progress codes and message boxes.
class Recorder : public IWindow, public IMessageBox {
public:
    LRESULT Send(uint32_t message, WPARAM wParam, LPARAM) override {
        std::lock_guard lock(m_mutex);
        if (message == WM_TOOLKIT_PROGRESS) progress.push_back(static_cast<int>(static_cast<intptr_t>(wParam)));
        return 0;
    }
    void Post(uint32_t, WPARAM, LPARAM) override {}
    int Show(const std::u16string& text, MbButtons, MbIcon) override;
    std::vector<int> progress;
    std::vector<std::string> boxes;

private:
    std::mutex m_mutex;
};

// A small three-axis drive with contents in every area and two parameter groups.
sim::DriveDescription SmallDrive();

class ConfigTest : public ::testing::Test, protected DriveRig {
protected:
    void SetUp() override { Start(SmallDrive()); }
    void Start(const sim::DriveDescription& description);
    // The requests as tokens; block downloads as "D<area>@<address>", uploads
    // "U<area>@<address>", register writes "W<addr>=<value>", reads "R<addr>".
    std::vector<std::string> Traffic();

    CParaMgr mgr;
    CCfgExchange cfg;
    FastClock clock;
    Recorder recorder;
};

}  // namespace tarn::test
