#pragma once
// The command set wired to a link on a virtual servo drive.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/device_cmd.h"
#include "tests/common/drive_rig.h"
#include "tests/common/request_lines.h"
#include "device/device_inst.h"
#include "link/hct_comm.h"
#include "platform/wide_string.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"

namespace tarn::test {

class DeviceTest : public ::testing::Test, protected DriveRig {
protected:
    void SetUp() override { Start({}); }
    void Start(const sim::DriveDescription& description);

    std::vector<std::string> Traffic() { return TakeRequestLines(*drive); }
    // The drive refuses (with an exception reply) every request for which
    // `refuse` is true.
    void RefuseWhen(std::function<bool(const sim::Bytes& frame)> refuse);
    std::string LastError();

    CDeviceCmd cmd;  // wired to the rig's link and device instance by Start
};

// Runs `operation` and returns the message it raised ("" when none).
template <class F>
std::string Raised(F operation) {
    try {
        operation();
    } catch (const std::u16string& message) {
        return ToUtf8(message);
    }
    return "";
}

}  // namespace tarn::test
