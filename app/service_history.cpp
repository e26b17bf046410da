#include "app/service_history.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <fstream>

#include "image/sha256.h"
#include "platform/session_identity.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

using nlohmann::ordered_json;

// Paths are bytes: what is not UTF-8 is shown with replacement characters.
ordered_json PathField(const std::optional<std::filesystem::path>& path) {
    return path ? ordered_json(Utf8Of(*path)) : ordered_json();
}

std::string Dump(const ordered_json& j) {
    return j.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace

std::string UtcTimestamp() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

bool ServiceHistory::Append(const ServiceRecord& record, std::string* reason) const {
    ordered_json j;
    j["time"] = UtcTimestamp();
    j["version"] = std::to_string(TARN_VERSION_MAJOR) + "." + std::to_string(TARN_VERSION_MINOR) + "." +
                   std::to_string(TARN_VERSION_PATCH);
    j["user"] = CurrentUserName();
    j["host"] = CurrentHostName();
    j["operation"] = record.operation;
    j["port"] = record.port;
    j["station"] = record.station >= 0 ? ordered_json(record.station) : ordered_json();
    if (record.drive) {
        j["identity"] = {record.drive->m_wIdent1, record.drive->m_wIdent2, record.drive->m_wIdent3};
        j["mainVersion"] = record.drive->m_nMainVersion;
        j["subVersion"] = record.drive->m_nSubVersion;
    } else {
        j["identity"] = j["mainVersion"] = j["subVersion"] = nullptr;
    }
    j["image"] = PathField(record.image);
    std::optional<std::string> digest;
    if (record.image) digest = Sha256OfFile(*record.image);
    j["imageSha256"] = digest ? ordered_json(*digest) : ordered_json();
    j["selections"] = record.selections;
    j["result"] = record.result;
    j["message"] = record.message;
    if (record.differences) j["differences"] = *record.differences;
    j["snapshot"] = PathField(record.snapshot);
    if (!record.changes.is_null()) j["changes"] = record.changes;

    std::error_code ec;
    std::filesystem::create_directories(m_file.parent_path(), ec);
    std::ofstream out(m_file, std::ios::app | std::ios::binary);
    // One write of the whole line, so that records of drives written at once do not interleave.
    const std::string line = Dump(j) + "\n";
    if (out) out.write(line.data(), static_cast<std::streamsize>(line.size()));
    if (out) out.flush();
    if (out) return true;
    if (reason) *reason = Utf8Of(m_file) + ": " + (errno ? std::strerror(errno) : "cannot be written");
    return false;
}

ServiceHistory::Entries ServiceHistory::Read() const {
    Entries entries;
    std::ifstream in(m_file, std::ios::binary);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty()) continue;
        ordered_json j = ordered_json::parse(line, nullptr, false);
        if (j.is_discarded() || !j.is_object() || !j.contains("operation")) {
            entries.warnings.push_back(Utf8Of(m_file) + ", line " + std::to_string(number) +
                                       ": not a service record, skipped");
            continue;
        }
        entries.records.push_back(std::move(j));
    }
    return entries;
}

std::string ChangesText(const nlohmann::ordered_json& record) {
    std::string text;
    const auto changes = record.find("changes");
    if (changes == record.end() || !changes->is_array()) return text;
    auto field = [](const nlohmann::ordered_json& change, const char* key) {
        const auto it = change.find(key);
        return it != change.end() && it->is_string() ? it->get<std::string>() : std::string("?");
    };
    for (const auto& change : *changes) {
        if (!change.is_object()) continue;
        if (!text.empty()) text += "  ";
        text += field(change, "axis") + ":" + field(change, "item") + " " + field(change, "old") + " -> " +
                field(change, "new");
    }
    return text;
}

}  // namespace tarn
