#pragma once
// The device a port number names by the system's own convention, for numbers
// that no enumeration or user assigned: on Windows every number is a COM port
// ("\\.\COM7"), which the open then finds or not; Linux has no such names.
#include <optional>
#include <string>

namespace tarn {

std::optional<std::string> SystemPortPath(int portNumber);

}  // namespace tarn
