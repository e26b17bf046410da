#include "params/para_limits.h"

namespace tarn {

std::vector<ValueOutsideLimits> ValuesOutsideLimits(const CParaMgr& mgr) {
    std::vector<ValueOutsideLimits> found;
    for (int k = 0; k < mgr.m_nGroupCount && k < mgr.GroupCount(); ++k)
        for (const CParaItem& item : mgr.Items(k)) {
            if (item.Attributes() & kAttrNotDownloaded) continue;
            const int64_t lower = item.GetLowerLimit(), upper = item.GetUpperLimit();
            for (int axis = 0; axis < mgr.m_nAxes && axis < 3; ++axis) {
                const int64_t value = item.GetValue(axis);
                if (value < lower || value > upper)
                    found.push_back({item.m_nGroup, item.m_nItem, axis, value, lower, upper});
            }
        }
    return found;
}

std::string DescribeOutsideLimits(const std::vector<ValueOutsideLimits>& values, int axes, size_t shown) {
    std::string text;
    char line[160];
    for (size_t i = 0; i < values.size() && i < shown; ++i) {
        const ValueOutsideLimits& v = values[i];
        const char* axis = axes > 1 ? (v.axis == 0 ? " x" : v.axis == 1 ? " y" : " z") : "";
        std::snprintf(line, sizeof line, "  P%d-%02d%s %lld (limits %lld to %lld)\n", v.group, v.item, axis,
                      static_cast<long long>(v.value), static_cast<long long>(v.lower),
                      static_cast<long long>(v.upper));
        text += line;
    }
    if (values.size() > shown) text += "  and " + std::to_string(values.size() - shown) + " more\n";
    return text;
}

std::string OutsideLimitsWarning(const CParaMgr& mgr) {
    const auto outside = ValuesOutsideLimits(mgr);
    if (outside.empty()) return {};
    std::string text = "warning: values outside their limits (a download asks before writing them):\n" +
                       DescribeOutsideLimits(outside, mgr.m_nAxes);
    text.pop_back();  // the last line's end
    return text;
}

}  // namespace tarn
