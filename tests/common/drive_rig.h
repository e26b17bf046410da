#pragma once
// A virtual servo drive on a pseudo-terminal, a link opened on it at the
// tool's own settings, and a command set addressing the drive's station.
#include <memory>

#include "device/cmd_impl.h"
#include "device/device_inst.h"
#include "link/hct_comm.h"
#include "link/link_tables.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"

namespace tarn::test {

struct DriveRig {
    // Starts afresh for `description`; false when the port does not open.
    bool StartRig(const sim::DriveDescription& description) {
        link.reset();
        drive.reset();
        model = std::make_shared<sim::ServoDrive>(description);
        drive = std::make_unique<sim::VirtualDrive>(description.station, model);
        link = std::make_unique<CHCT_COMM>();
        inst.SetStation(description.station);
        impl.GetCmd()->m_pLink = link.get();
        impl.GetCmd()->m_pDevInst = &inst;
        return link->OpenPort(drive->Path(), kLinkBaudCode, kLinkProtocolCode) == 1;
    }

    std::shared_ptr<sim::ServoDrive> model;
    std::unique_ptr<sim::VirtualDrive> drive;
    std::unique_ptr<CHCT_COMM> link;
    IDeviceInstImpl inst;
    CmdImpl impl;
};

}  // namespace tarn::test
