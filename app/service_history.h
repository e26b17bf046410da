#pragma once
// The service history: one JSON object per line in history.jsonl of the
// user's data folder, one line per transfer of either front end, appended and
// flushed as each transfer ends. Times are UTC.
//
// A record:
// {"time": "2026-12-07T21:04:05Z", "version": "0.1.0", "user": "...", "host": "...",
//  "operation": "download",        (upload, download, compare, verify, snapshot, parameter)
//  "port": "/dev/ttyUSB0", "station": 1,
//  "identity": [3, 6, 5], "mainVersion": 3005, "subVersion": 11,   (null: not read)
//  "image": "backup.tkw", "imageSha256": "...",                     (null: none)
//  "selections": {"programDV": true, "dh": true, "mh": true, "parameters": true},
//  "result": "finished",           (finished, failed, declined, not started)
//  "message": "",                  (why it failed or did not start)
//  "differences": 0,               (compare and verify)
//  "snapshot": "…/snapshots/….tkw", (the snapshot taken before the write, or null)
//  "changes": [...]}               (parameter writes: item, axis, old and new value)
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "image/dev_info.h"

namespace tarn {

struct ServiceRecord {
    std::string operation;
    std::string port;
    int station = -1;
    std::optional<CDevInfo> drive;
    std::optional<std::filesystem::path> image;
    nlohmann::ordered_json selections;
    std::string result;
    std::string message;
    std::optional<int> differences;
    std::optional<std::filesystem::path> snapshot;
    nlohmann::ordered_json changes;
};

class ServiceHistory {
public:
    explicit ServiceHistory(std::filesystem::path folder) : m_file(std::move(folder) / "history.jsonl") {}

    // Adds the record with the time, the tool's version, the user and the host.
    // False, with the reason, when the history could not be written.
    bool Append(const ServiceRecord& record, std::string* reason = nullptr) const;

    struct Entries {
        std::vector<nlohmann::ordered_json> records;  // oldest first
        std::vector<std::string> warnings;            // lines that were skipped, and why
    };
    // A missing history has no records; a damaged line is skipped with a warning.
    Entries Read() const;

    const std::filesystem::path& File() const { return m_file; }

private:
    std::filesystem::path m_file;
};

// A parameter record's changes as their log lines name them,
// "y:P1-05 12.50 -> 13.50" two spaces apart; empty for other records.
std::string ChangesText(const nlohmann::ordered_json& record);

// The current UTC time as "2026-12-07T21:04:05Z".
std::string UtcTimestamp();

}  // namespace tarn
