#include "app/console/param_command.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/console/console_io.h"
#include "app/console/json_text.h"
#include "app/console/session.h"
#include "app/parameter_record.h"
#include "app/parameter_table.h"
#include "platform/data_folder.h"
#include "platform/wide_string.h"
#include "review/parameter_access.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;
using review::ParameterView;

std::string AxisName(int axis) { return std::string(1, "xyz"[axis]); }

// The axes --axis names on this drive; nothing (with the reason on stderr)
// when the drive lacks the axis.
std::optional<std::vector<int>> Axes(const CommandLine& line, const CParaMgr& params, ConsoleIo& io) {
    std::vector<int> all;
    for (int axis = 0; axis < params.m_nAxes; ++axis) all.push_back(axis);
    const auto given = line.Value("--axis");
    if (!given || *given == "all") return all;
    const int axis = (*given)[0] - 'x';
    if (axis >= params.m_nAxes) {
        io.Error("--axis " + *given + ": the drive has " +
                 (params.m_nAxes == 1 ? std::string("one axis") : std::to_string(params.m_nAxes) + " axes"));
        return std::nullopt;
    }
    return std::vector<int>{axis};
}

ordered_json Values(const ParameterView& view, const std::vector<int>& axes) {
    ordered_json values = ordered_json::object();
    for (int axis : axes) values[AxisName(axis)] = view.values[axis];
    return values;
}

// list and get print one object, {"items": [...], "error": null}, or on a
// failure the same keys with the reason.
void PrintJson(const ordered_json& items) {
    std::printf("%s\n", JsonText({{"items", items}, {"error", nullptr}}).c_str());
}

// Columns padded to their widest cell; the last one is not padded.
void PrintTable(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows)
        for (size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            widths[i] = std::max(widths[i], row[i].size());
        }
    for (const auto& row : rows) {
        std::string text;
        for (size_t i = 0; i < row.size(); ++i)
            text += i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 2, ' ') : row[i];
        while (!text.empty() && text.back() == ' ') text.pop_back();
        std::printf("%s\n", text.c_str());
    }
}

int List(const CommandLine& line, const CParaMgr& params) {
    std::optional<int> group;
    if (auto g = line.Value("--group")) group = std::stoi(*g);
    std::vector<int> axes;
    for (int axis = 0; axis < params.m_nAxes; ++axis) axes.push_back(axis);
    ordered_json document = ordered_json::array();
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> heading = {"item"};
    for (int axis : axes) heading.push_back(params.m_nAxes == 1 ? "value" : AxisName(axis));
    for (const char* column : {"default", "lower", "upper", "kind", "download", "comment"}) heading.push_back(column);
    rows.push_back(heading);
    for (int k = 0; k < params.GroupCount(); ++k) {
        if (group && params.GroupNumber(k) != *group) continue;
        for (const CParaItem& item : params.Items(k)) {
            const ParameterView view = review::Describe(params, item);
            if (line.Has("--changed") && !view.changed) continue;
            document.push_back(ParameterJson(view, axes));
            std::vector<std::string> row = {view.item};
            row.insert(row.end(), view.values.begin(), view.values.end());
            for (const std::string& cell : {view.defaultText, view.lower, view.upper, view.kind,
                                            std::string(view.written ? "yes" : "no"), view.comment})
                row.push_back(cell);
            rows.push_back(row);
        }
    }
    if (line.Has("--json"))
        PrintJson(document);
    else
        PrintTable(rows);
    std::fflush(stdout);
    return 0;
}

int Get(const CommandLine& line, const CParaMgr& params, ConsoleIo& io) {
    const auto axes = Axes(line, params, io);
    if (!axes) return 2;
    std::vector<const CParaItem*> items;
    for (const std::string& name : line.arguments) {
        const CParaItem* item = review::FindItem(params, name);
        if (!item) {
            io.Error("the drive has no parameter " + name);
            return 1;
        }
        items.push_back(item);
    }
    ordered_json document = ordered_json::array();
    for (const CParaItem* item : items) {
        const ParameterView view = review::Describe(params, *item);
        if (line.Has("--json")) {
            document.push_back({{"item", view.item}, {"values", Values(view, *axes)}});
            continue;
        }
        // As the download's log lines show a value: "x:P1-02=12.50".
        for (int axis : *axes)
            std::printf("%s%s=%s\n", review::AxisPrefix(params, axis).c_str(), view.item.c_str(),
                        view.values[axis].c_str());
    }
    if (line.Has("--json")) PrintJson(document);
    std::fflush(stdout);
    return 0;
}

int Set(const CommandLine& line, Session& session, const CParaMgr& params, ConsoleIo& io) {
    if (!line.Value("--axis") && params.m_nAxes > 1) {
        io.Error("--axis is required: the drive has " + std::to_string(params.m_nAxes) + " axes (x, y, z or all)");
        return 2;
    }
    const auto axes = Axes(line, params, io);
    if (!axes) return 2;
    const review::WritePlan plan = review::PlanWrites(params, line.arguments, *axes);
    if (!plan.refusals.empty()) {
        for (const std::string& refusal : plan.refusals) io.Error(refusal);
        io.Error("nothing was written");
        return 1;
    }
    ICmdImpl& command = session.Dialog().m_CmdImpl;
    std::vector<review::WrittenChange> written;
    std::string failure;
    try {
        if (auto servo = review::ServoRefusal(command, plan.changes)) {
            io.Error(*servo);
            return 1;
        }
        std::u16string question = u"Write to the drive:";
        for (const review::ParameterChange& change : plan.changes)
            question += FromUtf8("\n  " + change.what + "  " + change.oldText + " -> " + change.newText);
        if (!io.Ask(question)) {
            io.Error("not confirmed: nothing was written (answer on a terminal, or give --yes)");
            return 1;
        }
        written = review::WriteChanges(command, plan.changes);
    } catch (const std::u16string& reason) {
        failure = ToUtf8(reason);
    }
    for (const review::WrittenChange& w : written) {
        if (w.readBack) std::printf("%s\n", WrittenLine(w).c_str());
        if (!w.message.empty()) failure = w.message;
    }
    std::fflush(stdout);
    CTarnToolkitDlg& dialog = session.Dialog();
    std::string reason;
    if (!written.empty() &&
        !ServiceHistory(UserDataFolder())
             .Append(ParameterRecord(*line.Value("--port"), dialog.m_DevInst.GetStation(), params.m_DevInfo,
                                     written, failure),
                     &reason))
        io.Error("the service history cannot be written: " + reason);
    if (failure.empty()) return 0;
    io.Error(failure);
    return 1;
}

}  // namespace

int RunParamCommand(const CommandLine& line, IProfile& profile) {
    ConsoleIo io(stdout, stderr, STDIN_FILENO, line.Has("--yes"));
    const auto failed = [&](int status) {
        if (line.Has("--json"))
            std::printf("%s\n", JsonText(FailureDocument({{"items", nullptr}}, io.LastReason())).c_str());
        return status;
    };
    Session session(profile, io, UploadChoice{});
    if (!session.Connect({*line.Value("--port"), line.Value("--station")})) return failed(1);
    CParaMgr params;
    try {
        review::ReadParameters(session.Dialog().m_CmdImpl, params);
    } catch (const std::u16string& reason) {
        io.Error(ToUtf8(reason));
        return failed(1);
    }
    if (line.command == "param list") return List(line, params);
    if (line.command == "param get") {
        const int status = Get(line, params, io);
        return status == 0 ? 0 : failed(status);
    }
    return Set(line, session, params, io);
}

}  // namespace tarn::console
