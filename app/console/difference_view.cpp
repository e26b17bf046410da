#include "app/console/difference_view.h"

#include <cstdio>

#include "review/difference_rows.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;
using review::Difference;
using review::DifferenceKind;

ordered_json ValueJson(const review::SideValue& value) {
    return std::visit(
        [](const auto& v) -> ordered_json {
            if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::monostate>)
                return nullptr;
            else
                return v;
        },
        value);
}

ordered_json DifferenceJson(const Difference& d, const Sides& sides) {
    ordered_json j = {{"what", review::KindName(d.kind)}};
    switch (d.kind) {
        case DifferenceKind::Version:
            j["name"] = d.name;
            break;
        case DifferenceKind::Size:
            j["section"] = d.name;
            break;
        case DifferenceKind::Includes:
            j["part"] = d.name;
            break;
        case DifferenceKind::Parameter:
            j["id"] = d.name;
            j["axis"] = d.axis;
            break;
        case DifferenceKind::Content: {
            j["section"] = d.name;
            j[sides.a + "Words"] = d.wordsA;
            j[sides.b + "Words"] = d.wordsB;
            ordered_json ranges = ordered_json::array();
            for (const review::WordRange& r : d.ranges)
                ranges.push_back(
                    {{"first", r.first}, {"count", r.count}, {sides.a, r.a}, {sides.b, r.b}});
            j["ranges"] = ranges;
            return j;
        }
        default:
            break;
    }
    j[sides.a] = ValueJson(d.a);
    j[sides.b] = ValueJson(d.b);
    return j;
}

}  // namespace

ordered_json DifferencesJson(const std::vector<Difference>& differences, const Sides& sides) {
    ordered_json list = ordered_json::array();
    for (const Difference& d : differences) list.push_back(DifferenceJson(d, sides));
    return list;
}

std::string DifferenceLines(const std::vector<Difference>& differences, const Sides& sides) {
    std::string text;
    for (const Difference& d : differences) {
        for (const review::DifferenceRow& row : review::RowsOf(d)) {
            const std::string what = row.axis.empty() ? row.what : row.what + " " + row.axis;
            char line[512];
            std::snprintf(line, sizeof line, "%-16s %s %-24s %s %s\n", what.c_str(),
                          sides.a.c_str(), row.a.c_str(), sides.b.c_str(), row.b.c_str());
            text += line;
        }
    }
    return text;
}

std::string RenderDifferences(const review::Comparison& comparison, const Sides& sides,
                              const std::string& matchText) {
    return DifferenceLines(comparison.differences, sides) + review::Summary(comparison, matchText) +
           "\n";
}

}  // namespace tarn::console
