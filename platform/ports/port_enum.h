#pragma once
// The serial ports of this machine with their port numbers and friendly names,
// and what the port list and the drive link take from them.
#include <cstdio>
#include <memory>
#include <string>

#include "platform/ports/tty_devices.h"
#include "platform/profile/profile.h"

namespace tarn {

class PortRegistry;

struct PortNode {
    PortNode() = default;
    PortNode(const PortNode&) = delete;
    PortNode& operator=(const PortNode&) = delete;
    // Releases the rest of the chain node by node, however long it is.
    ~PortNode();

    int nPort = 0;
    std::u16string strPortName;  // the device path, /dev/ttyUSB0
    std::u16string strFriendlyName;
    std::unique_ptr<PortNode> pNext;
};

// The present serial ports in port-number order, numbered through the profile's
// table; null when there are none.
std::unique_ptr<PortNode> EnumComPorts(IProfile& profile, const PortRoots& roots = {});

// Makes every enumerated port number open its device. Numbers assigned before
// and not enumerated stay as they are.
void FillPortRegistry(const PortNode* head, PortRegistry& registry);

// The trace line "Port %d '%s'\n" for one port found; nothing when out is null.
void TracePort(std::FILE* out, int port, std::u16string_view friendlyName);

}  // namespace tarn
