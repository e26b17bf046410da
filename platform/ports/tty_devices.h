#pragma once
// The serial devices of this machine as the kernel lists them in sysfs: every tty
// with a device behind it and a node under /dev, named for the user from the USB
// device's manufacturer and product strings.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// Where the kernel's device tree and the device nodes are; tests point these at
// a tree of their own.
struct PortRoots {
    std::filesystem::path sysRoot = "/sys";
    std::filesystem::path devRoot = "/dev";
};

struct TtyDevice {
    std::string name;        // ttyUSB0
    std::string devicePath;  // /dev/ttyUSB0
    // What the device is known by from run to run: its /dev/serial/by-id link when
    // it has one (the same adapter on any USB socket), else its device path.
    std::string identity;
    // "Silicon Labs CP2102 USB to UART Bridge Controller (ttyUSB0)"
    std::u16string friendlyName;
};

// The present serial devices in name order (ttyUSB2 before ttyUSB10); nullopt when
// the tty class cannot be read at all. Ports without a UART behind them (the
// kernel's placeholder ttyS ports) are left out.
std::optional<std::vector<TtyDevice>> GetPortsDeviceSet(const PortRoots& roots);

// The latency timer of an FTDI bridge's port (sysfs latency_timer), in ms:
// the bridge holds back up to that long before it passes received bytes on.
// Nothing for a port whose driver has none.
std::optional<int> LatencyTimerMs(const PortRoots& roots, const std::string& ttyName);

}  // namespace tarn
