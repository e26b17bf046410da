#pragma once
// A comparison as the table a window shows: one row per difference (what,
// axis, both sides' values), the items a download does not write under a
// heading row, and the summary with what was not compared.
#include <string>

#include "app/ui.h"
#include "review/difference.h"

namespace tarn {

// `sideA`, `sideB`: the columns' names ("Image", "Drive"); `matchText`: the
// summary when nothing differs.
TableReport ComparisonReport(const review::Comparison& comparison, const std::u16string& title,
                             const std::u16string& sideA, const std::u16string& sideB,
                             const std::string& matchText);

// The first differences, one line each, for a message box.
std::u16string FirstDifferences(const review::Comparison& comparison, size_t count);

}  // namespace tarn
