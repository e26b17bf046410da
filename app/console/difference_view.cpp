#include "app/console/difference_view.h"

#include <cstdio>
#include <sstream>

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

const char* What(DifferenceKind kind) {
    switch (kind) {
        case DifferenceKind::Identity: return "identity";
        case DifferenceKind::Version: return "version";
        case DifferenceKind::Size: return "size";
        case DifferenceKind::Content: return "content";
        case DifferenceKind::Parameter: return "parameter";
        case DifferenceKind::Axes: return "axes";
        case DifferenceKind::Includes: return "includes";
        case DifferenceKind::FormatVersion: return "formatVersion";
        case DifferenceKind::PartNumber: return "partNumber";
        case DifferenceKind::MachineKey: return "machineKey";
    }
    return "";
}

ordered_json DifferenceJson(const Difference& d, const Sides& sides) {
    ordered_json j = {{"what", What(d.kind)}};
    switch (d.kind) {
        case DifferenceKind::Version: j["name"] = d.name; break;
        case DifferenceKind::Size: j["section"] = d.name; break;
        case DifferenceKind::Includes: j["part"] = d.name; break;
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
        default: break;
    }
    j[sides.a] = ValueJson(d.a);
    j[sides.b] = ValueJson(d.b);
    return j;
}

std::string Words(const std::vector<uint16_t>& words) {
    std::string text;
    char word[8];
    for (uint16_t w : words) {
        std::snprintf(word, sizeof word, "%s%04X", text.empty() ? "" : " ", unsigned{w});
        text += word;
    }
    return text;
}

std::string Shown(const review::SideValue& value) {
    if (std::holds_alternative<std::monostate>(value)) return "(none)";
    if (const bool* flag = std::get_if<bool>(&value)) return *flag ? "yes" : "no";
    if (const std::string* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* words = std::get_if<std::vector<int>>(&value)) {
        std::string text;
        for (int w : *words) text += (text.empty() ? "" : ", ") + std::to_string(w);
        return text;
    }
    return std::to_string(std::get<int64_t>(value));
}

}  // namespace

ordered_json DifferencesJson(const std::vector<Difference>& differences, const Sides& sides) {
    ordered_json list = ordered_json::array();
    for (const Difference& d : differences) list.push_back(DifferenceJson(d, sides));
    return list;
}

std::string DifferenceLines(const std::vector<Difference>& differences, const Sides& sides) {
    static const char* const kAxes[] = {"x", "y", "z", "w"};
    std::ostringstream text;
    auto line = [&](const std::string& what, const std::string& a, const std::string& b) {
        char row[512];
        std::snprintf(row, sizeof row, "%-16s %s %-24s %s %s\n", what.c_str(), sides.a.c_str(),
                      a.c_str(), sides.b.c_str(), b.c_str());
        text << row;
    };
    for (const Difference& d : differences) {
        switch (d.kind) {
            case DifferenceKind::Content:
                if (d.wordsA != d.wordsB)
                    line(d.name + " words", std::to_string(d.wordsA), std::to_string(d.wordsB));
                for (const review::WordRange& r : d.ranges) {
                    const std::string more = r.count > review::kWordsShown ? " ..." : "";
                    line(d.name + " " + std::to_string(r.first) +
                             (r.count > 1 ? ".." + std::to_string(r.first + r.count - 1) : ""),
                         Words(r.a) + more, Words(r.b) + more);
                }
                break;
            case DifferenceKind::Parameter:
                line(d.name + " " + kAxes[d.axis & 3], Shown(d.a), Shown(d.b));
                break;
            case DifferenceKind::Size: line("size " + d.name, Shown(d.a), Shown(d.b)); break;
            case DifferenceKind::Version: line(d.name, Shown(d.a), Shown(d.b)); break;
            case DifferenceKind::Includes: line("includes " + d.name, Shown(d.a), Shown(d.b)); break;
            default: line(What(d.kind), Shown(d.a), Shown(d.b)); break;
        }
    }
    return text.str();
}

std::string RenderDifferences(const std::vector<Difference>& differences, const Sides& sides,
                              const std::string& matchText) {
    std::string text = DifferenceLines(differences, sides);
    if (differences.empty())
        text += matchText + "\n";
    else
        text += std::to_string(differences.size()) +
                (differences.size() == 1 ? " difference.\n" : " differences.\n");
    return text;
}

}  // namespace tarn::console
