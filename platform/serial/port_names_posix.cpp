#include "platform/serial/port_names.h"

namespace tarn {

std::optional<std::string> SystemPortPath(int) { return std::nullopt; }

}  // namespace tarn
