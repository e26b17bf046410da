#pragma once
// `tarn history`: the service history, newest first.
#include <optional>

namespace tarn::console {

int ShowHistory(bool json, std::optional<int> last);

}  // namespace tarn::console
