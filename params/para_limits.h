#pragma once
// The values a download would write that lie outside their item's limits: an
// image changed on the way (one flipped bit) or made for other firmware.
#include <string>
#include <vector>

#include "params/para_mgr.h"

namespace tarn {

struct ValueOutsideLimits {
    int group = 0;
    int item = 0;
    int axis = 0;  // 0 x, 1 y, 2 z
    int64_t value = 0;
    int64_t lower = 0;
    int64_t upper = 0;
};

// Over the items and axes a download writes (ordinary groups, downloadable items).
std::vector<ValueOutsideLimits> ValuesOutsideLimits(const CParaMgr& mgr);

// One line per value, at most `shown` of them and a count of the rest:
// "P3-09 z 1073741960 (limits 0 to 5000000)"; the axis only on several axes.
std::string DescribeOutsideLimits(const std::vector<ValueOutsideLimits>& values, int axes, size_t shown = 20);

// A warning naming every such value, or empty when there is none.
std::string OutsideLimitsWarning(const CParaMgr& mgr);

}  // namespace tarn
