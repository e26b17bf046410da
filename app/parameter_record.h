#pragma once
// The service history's record of single parameter writes: one record for
// each run, its `changes` naming every value written (item, axis, old, new,
// and what the drive held when read back).
#include <string>
#include <vector>

#include "app/service_history.h"
#include "review/parameter_access.h"

namespace tarn {

ServiceRecord ParameterRecord(const std::string& port, int station, const CDevInfo& drive,
                              const std::vector<review::WrittenChange>& written, const std::string& failure);

}  // namespace tarn
