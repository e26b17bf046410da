#pragma once
// The drive that `tarn sim` runs when no description is given: the text of
// sim/drives/default.json, compiled in so that the command needs no files.
#include <string_view>

namespace tarn::sim {

std::string_view DefaultDriveJson();

}  // namespace tarn::sim
