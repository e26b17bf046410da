#include "app/console/history_command.h"

#include <cstdio>

#include "app/service_history.h"
#include "platform/data_folder.h"

namespace tarn::console {

namespace {

std::string Text(const nlohmann::ordered_json& record, const char* key) {
    const auto it = record.find(key);
    if (it == record.end() || it->is_null()) return "-";
    return it->is_string() ? it->get<std::string>() : it->dump();
}

}  // namespace

int ShowHistory(bool json, std::optional<int> last) {
    const ServiceHistory::Entries entries = ServiceHistory(UserDataFolder()).Read();
    for (const std::string& warning : entries.warnings) std::fprintf(stderr, "%s\n", warning.c_str());
    nlohmann::ordered_json newestFirst = nlohmann::ordered_json::array();
    for (auto it = entries.records.rbegin(); it != entries.records.rend(); ++it) {
        if (last && static_cast<int>(newestFirst.size()) == *last) break;
        newestFirst.push_back(*it);
    }
    if (json) {
        std::printf("%s\n", newestFirst.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
        return 0;
    }
    for (const auto& r : newestFirst) {
        std::string line = Text(r, "time") + "  " + Text(r, "operation") + "  " + Text(r, "result") + "  " +
                           Text(r, "port") + " station " + Text(r, "station") + "  drive " + Text(r, "identity");
        if (r.contains("differences")) line += "  " + Text(r, "differences") + " differences";
        if (Text(r, "image") != "-") line += "  " + Text(r, "image");
        if (!Text(r, "message").empty() && Text(r, "message") != "-") line += "  (" + Text(r, "message") + ")";
        if (Text(r, "snapshot") != "-") line += "  snapshot " + Text(r, "snapshot");
        if (const std::string changes = ChangesText(r); !changes.empty()) line += "  " + changes;
        std::printf("%s\n", line.c_str());
    }
    if (newestFirst.empty()) std::fprintf(stderr, "No transfer recorded yet.\n");
    return 0;
}

}  // namespace tarn::console
