#pragma once
// What `tarn` says when a download stopped on request: which parts are on the
// drive, which are not, and how to bring the drive back to a whole state.
#include <string>

#include "image/cfg_exchange.h"

namespace tarn::console {

// `itemsWritten` of `itemsToWrite` parameter items went out when the stop came
// during the parameters.
std::string StoppedWriteText(const CCfgExchange::WriteRecord& record, int itemsWritten, int itemsToWrite,
                             const std::string& image);

}  // namespace tarn::console
