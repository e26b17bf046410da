#pragma once
// Who runs the tool, and on which machine: for the service history.
#include <string>

namespace tarn {

std::string CurrentUserName();
std::string CurrentHostName();

}  // namespace tarn
