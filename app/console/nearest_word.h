#pragma once
// The known word a mistyped one was most likely meant to be, for "did you
// mean" hints on the command line.
#include <optional>
#include <string>
#include <vector>

namespace tarn::console {

// The candidate closest to `word` in edits (insert, delete, change, swap of two
// neighbours), when it is close enough to be a typing slip; or the only
// candidate that starts with `word`.
std::optional<std::string> NearestWord(const std::string& word,
                                       const std::vector<std::string>& candidates);

}  // namespace tarn::console
