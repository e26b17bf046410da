#include "platform/serial/port_names.h"

namespace tarn {

std::optional<std::string> SystemPortPath(int portNumber) {
    // The device-name buffer of the design holds 15 characters: seven digits.
    if (portNumber < 1 || portNumber > 9999999) return std::nullopt;
    return "\\\\.\\COM" + std::to_string(portNumber);
}

}  // namespace tarn
