#include "review/difference_rows.h"

#include <cstdio>

namespace tarn::review {

namespace {

std::string Words(const std::vector<uint16_t>& words, bool more) {
    std::string text;
    char word[8];
    for (uint16_t w : words) {
        std::snprintf(word, sizeof word, "%s%04X", text.empty() ? "" : " ", unsigned{w});
        text += word;
    }
    return more ? text + " ..." : text;
}

std::string Shown(const SideValue& value) {
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

std::string Counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + (n == 1 ? one : many);
}

std::string Named(const Comparison& comparison, NotComparedReason why) {
    std::string names;
    for (const NotCompared& n : comparison.notCompared)
        if (n.why == why) names += (names.empty() ? "" : ", ") + n.what;
    return names;
}

}  // namespace

const char* const kNotWrittenHeading =
    "A download does not write these (extra groups, items with skip bits):";

std::string Summary(const Comparison& comparison, const std::string& matchText) {
    const size_t changes = comparison.differences.size(), unwritten = comparison.notWritten.size();
    if (unwritten)
        return Counted(changes, " difference", " differences") + " that a download would change, " +
               std::to_string(unwritten) + " that it cannot change.";
    return changes ? Counted(changes, " difference.", " differences.") : matchText;
}

std::vector<std::string> NotComparedLines(const Comparison& comparison) {
    std::vector<std::string> lines;
    if (auto names = Named(comparison, NotComparedReason::NotReadable); !names.empty())
        lines.push_back("Not compared (the drive does not give them back): " + names);
    if (auto names = Named(comparison, NotComparedReason::Status); !names.empty())
        lines.push_back("Not compared (status items: the drive or the read itself sets them): " +
                        names);
    for (const NotCompared& n : comparison.notCompared)
        if (n.why == NotComparedReason::NotWritten)
            lines.push_back("Not compared (a download does not write them): " +
                            Counted(n.items, " parameter item", " parameter items"));
    return lines;
}

const char* KindName(DifferenceKind kind) {
    switch (kind) {
        case DifferenceKind::Identity:
            return "identity";
        case DifferenceKind::Version:
            return "version";
        case DifferenceKind::Size:
            return "size";
        case DifferenceKind::Content:
            return "content";
        case DifferenceKind::Parameter:
            return "parameter";
        case DifferenceKind::Axes:
            return "axes";
        case DifferenceKind::Includes:
            return "includes";
        case DifferenceKind::FormatVersion:
            return "formatVersion";
        case DifferenceKind::PartNumber:
            return "partNumber";
        case DifferenceKind::MachineKey:
            return "machineKey";
    }
    return "";
}

std::vector<DifferenceRow> RowsOf(const Difference& d) {
    static const char* const kAxes[] = {"x", "y", "z", "w"};
    switch (d.kind) {
        case DifferenceKind::Content: {
            std::vector<DifferenceRow> rows;
            if (d.wordsA != d.wordsB)
                rows.push_back(
                    {d.name + " words", "", std::to_string(d.wordsA), std::to_string(d.wordsB)});
            for (const WordRange& r : d.ranges) {
                const bool more = r.count > kWordsShown;
                rows.push_back(
                    {d.name + " " + std::to_string(r.first) +
                         (r.count > 1 ? ".." + std::to_string(r.first + r.count - 1) : ""),
                     "", Words(r.a, more), Words(r.b, more)});
            }
            return rows;
        }
        case DifferenceKind::Parameter:
            return {{d.name, kAxes[d.axis & 3], Shown(d.a), Shown(d.b)}};
        case DifferenceKind::Size:
            return {{"size " + d.name, "", Shown(d.a), Shown(d.b)}};
        case DifferenceKind::Version:
            return {{d.name, "", Shown(d.a), Shown(d.b)}};
        case DifferenceKind::Includes:
            return {{"includes " + d.name, "", Shown(d.a), Shown(d.b)}};
        default:
            return {{KindName(d.kind), "", Shown(d.a), Shown(d.b)}};
    }
}

}  // namespace tarn::review
