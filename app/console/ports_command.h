#pragma once
// `tarn ports`: the serial ports with the numbers `--port` takes. Without
// `all`, only the ports the port list of the main dialog offers (those whose
// bridge suits the drive).
#include "platform/ports/tty_devices.h"
#include "platform/profile/profile.h"

namespace tarn::console {

int ListPorts(IProfile& profile, bool all, bool json, const PortRoots& roots = {});

}  // namespace tarn::console
