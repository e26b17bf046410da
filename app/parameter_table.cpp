#include "app/parameter_table.h"

#include "app/dialog_texts.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

using nlohmann::ordered_json;

std::string AxisName(int axis) { return std::string(1, "xyz"[axis]); }

std::vector<int> AllAxes(const CParaMgr& params) {
    std::vector<int> axes;
    for (int axis = 0; axis < params.m_nAxes; ++axis) axes.push_back(axis);
    return axes;
}

std::u16string GroupName(int group) { return FromUtf8("Group P" + std::to_string(group)); }

// A field quoted when it holds a separator, a quote, a line end or outer blanks.
std::string CsvField(const std::string& text) {
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + CsvField(fields[i]);
    return line + "\r\n";
}

}  // namespace

TableCell ValueCell(const CParaMgr& params, const CParaItem& item, int axis) {
    const review::ParameterView view = review::Describe(params, item);
    return {FromUtf8(view.values[axis]), view.written, review::DiffersFromDefault(item, axis)};
}

ParameterTable BuildParameterTable(CParaMgr& params) {
    ParameterTable result;
    EditableTable& table = result.table;
    table.title = kParameterTableTitle;
    table.columns = {u"Item"};
    for (int axis = 0; axis < params.m_nAxes; ++axis) table.columns.push_back(FromUtf8(AxisName(axis)));
    for (const char16_t* column : {u"Default", u"Lower", u"Upper", u"Comment"}) table.columns.push_back(column);
    for (int k = 0; k < params.GroupCount(); ++k) {
        for (CParaItem& item : params.Items(k)) {
            const review::ParameterView view = review::Describe(params, item);
            EditableTable::Row row{GroupName(params.GroupNumber(k)), {{FromUtf8(view.item)}}};
            for (int axis = 0; axis < params.m_nAxes; ++axis) row.cells.push_back(ValueCell(params, item, axis));
            for (const std::string& text : {view.defaultText, view.lower, view.upper, view.comment})
                row.cells.push_back({FromUtf8(text)});
            table.rows.push_back(std::move(row));
            result.items.push_back(&item);
        }
    }
    table.summary = ParameterSummary(params);
    return result;
}

std::u16string ParameterSummary(const CParaMgr& params) {
    size_t count = 0;
    int changed = 0;
    for (int k = 0; k < params.GroupCount(); ++k)
        for (const CParaItem& item : params.Items(k)) {
            ++count;
            changed += review::Describe(params, item).changed;
        }
    return FromUtf8(std::to_string(count) + " parameters, " + std::to_string(changed) +
                    " differ from their defaults (marked). Values a download skips are read-only.");
}

ordered_json ParameterJson(const review::ParameterView& view, const std::vector<int>& axes) {
    ordered_json values = ordered_json::object();
    for (int axis : axes) values[AxisName(axis)] = view.values[axis];
    return {{"item", view.item},        {"values", values},        {"default", view.defaultText},
            {"lower", view.lower},      {"upper", view.upper},     {"kind", view.kind},
            {"type", view.type},        {"bits", view.bits},       {"decimals", view.decimals},
            {"written", view.written},  {"changed", view.changed}, {"comment", view.comment}};
}

ordered_json ParametersJson(const CParaMgr& params) {
    ordered_json document = ordered_json::array();
    for (int k = 0; k < params.GroupCount(); ++k)
        for (const CParaItem& item : params.Items(k))
            document.push_back(ParameterJson(review::Describe(params, item), AllAxes(params)));
    return document;
}

std::string ParametersCsv(const CParaMgr& params) {
    std::vector<std::string> heading = {"group", "item"};
    for (int axis = 0; axis < params.m_nAxes; ++axis) heading.push_back(AxisName(axis));
    for (const char* column : {"default", "lower", "upper", "kind", "comment"}) heading.push_back(column);
    std::string text = CsvLine(heading);
    for (int k = 0; k < params.GroupCount(); ++k) {
        for (const CParaItem& item : params.Items(k)) {
            const review::ParameterView view = review::Describe(params, item);
            std::vector<std::string> fields = {std::to_string(params.GroupNumber(k)), view.item};
            fields.insert(fields.end(), view.values.begin(), view.values.end());
            for (const std::string& field : {view.defaultText, view.lower, view.upper, view.kind, view.comment})
                fields.push_back(field);
            text += CsvLine(fields);
        }
    }
    return text;
}

std::string WrittenLine(const review::WrittenChange& w) {
    const review::ParameterChange& c = w.change;
    return c.what + "=" + c.newText + " (was " + c.oldText + "), read back " + w.readBackText;
}

}  // namespace tarn
