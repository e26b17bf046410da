#pragma once
// The drive's parameters as the window's table shows them and as its export
// writes them: one row per item, grouped by parameter group, a value cell per
// axis that the user may edit unless a download skips the item.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/ui.h"
#include "params/para_mgr.h"
#include "review/parameter_access.h"

namespace tarn {

struct ParameterTable {
    EditableTable table;
    std::vector<CParaItem*> items;  // the item of each row
};

// Columns: item, one per axis (x, y, z), default, lower, upper, comment.
ParameterTable BuildParameterTable(CParaMgr& params);
// "332 parameters, 5 differ from their defaults (marked). ..." for the table's foot.
std::u16string ParameterSummary(const CParaMgr& params);
// The value cell of `axis` (the table's column axis + 1).
TableCell ValueCell(const CParaMgr& params, const CParaItem& item, int axis);

// One item as `tarn param list --json` lists it.
nlohmann::ordered_json ParameterJson(const review::ParameterView& view, const std::vector<int>& axes);
// Every item of every group: the JSON array, and comma separated values with
// a heading line (group, item, the axes, default, lower, upper, kind, comment).
nlohmann::ordered_json ParametersJson(const CParaMgr& params);
std::string ParametersCsv(const CParaMgr& params);

// The log line of one value written: "x:P1-02=12.50 (was 10.00), read back 12.50".
std::string WrittenLine(const review::WrittenChange& written);

}  // namespace tarn
