#include "app/parameter_record.h"

namespace tarn {

ServiceRecord ParameterRecord(const std::string& port, int station, const CDevInfo& drive,
                              const std::vector<review::WrittenChange>& written, const std::string& failure) {
    ServiceRecord record;
    record.operation = "parameter";
    record.port = port;
    record.station = station;
    record.drive = drive;
    record.result = failure.empty() ? "finished" : "failed";
    record.message = failure;
    record.changes = nlohmann::ordered_json::array();
    for (const review::WrittenChange& w : written) {
        nlohmann::ordered_json change = {{"item", review::ItemName(*w.change.item)},
                                         {"axis", std::string(1, "xyz"[w.change.axis])},
                                         {"old", w.change.oldText},
                                         {"new", w.change.newText}};
        change["readBack"] = w.readBack ? nlohmann::ordered_json(w.readBackText) : nlohmann::ordered_json();
        change["written"] = w.result == review::WrittenChange::Result::Written;
        record.changes.push_back(change);
    }
    return record;
}

}  // namespace tarn
