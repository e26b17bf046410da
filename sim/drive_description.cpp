#include "sim/drive_description.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "device/drive_registers.h"

namespace tarn::sim {

namespace {

using nlohmann::json;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("drive description: " + what);
}

// Numbers may be written as JSON numbers or as strings such as "0xFE08".
int64_t Number(const json& value, const std::string& what) {
    if (value.is_number_integer()) return value.get<int64_t>();
    if (value.is_string()) {
        try {
            size_t used = 0;
            const std::string text = value.get<std::string>();
            const int64_t n = std::stoll(text, &used, 0);
            if (used == text.size()) return n;
        } catch (const std::exception&) {
        }
    }
    Fail(what + " must be a whole number");
}

int64_t Ranged(const json& value, const std::string& what, int64_t low, int64_t high) {
    const int64_t n = Number(value, what);
    if (n < low || n > high)
        Fail(what + " must lie in " + std::to_string(low) + ".." + std::to_string(high));
    return n;
}

ParameterItem ItemFrom(const json& j, const std::string& where) {
    ParameterItem item;
    if (!j.is_object()) Fail(where + " must be an object");
    if (j.contains("record")) {
        const json& record = j.at("record");
        if (!record.is_array() || record.size() > 16) Fail(where + ".record must hold at most 16 words");
        for (size_t i = 0; i < record.size(); ++i)
            item.record[i] = static_cast<uint16_t>(Ranged(record[i], where + ".record", -32768, 65535));
    }
    if (j.contains("values")) {
        const json& values = j.at("values");
        if (!values.is_array()) Fail(where + ".values must be a list, one value per axis");
        for (const json& v : values)
            item.values.push_back(Ranged(v, where + ".values", INT32_MIN, UINT32_MAX));
    }
    return item;
}

}  // namespace

uint16_t SectionRegister(const std::string& name) {
    static const std::map<std::string, uint16_t> kRegisters = {
        {"DV", reg::kSizeDV},           {"Program", reg::kSizeProgram},
        {"DH", reg::kSizeDH},           {"MV", reg::kSizeMV},
        {"X", reg::kSizeX},             {"Y", reg::kSizeY},
        {"TC", reg::kSizeTC},           {"ActualDV", reg::kActualDV},
        {"T", reg::kSizeT},             {"TU", reg::kSizeTU},
        {"AutoDVStart", reg::kAutoDVStart}, {"ActualAutoDV", reg::kActualAutoDV},
        {"FATVersion", reg::kFatVersion}};
    auto it = kRegisters.find(name);
    if (it == kRegisters.end()) Fail("unknown section \"" + name + "\"");
    return it->second;
}

uint8_t ContentArea(const std::string& name) {
    static const std::map<std::string, uint8_t> kAreas = {{"DH", 0}, {"DV", 1}, {"MH", 2}, {"Program", 7}};
    auto it = kAreas.find(name);
    if (it == kAreas.end()) Fail("unknown content \"" + name + "\"");
    return it->second;
}

DriveDescription DriveDescription::FromJson(const std::string& text) {
    json j;
    try {
        j = json::parse(text);
    } catch (const json::exception& e) {
        // A syntax error, or a number too large for any type (3e405).
        Fail(std::string("not valid JSON: ") + e.what());
    }
    if (!j.is_object()) Fail("the top level must be an object");
    DriveDescription d;
    for (const auto& [key, value] : j.items()) {
        if (key == "station") {
            d.station = static_cast<uint8_t>(Ranged(value, key, 1, 247));
        } else if (key == "identity") {
            if (!value.is_array() || value.size() != 3) Fail("identity must hold three words");
            for (int i = 0; i < 3; ++i)
                d.identity[i] = static_cast<uint16_t>(Ranged(value[i], key, -32768, 65535));
        } else if (key == "mainVersion") {
            d.mainVersion = static_cast<int32_t>(Ranged(value, key, -32768, 65535));
        } else if (key == "subVersion") {
            d.subVersion = static_cast<int32_t>(Ranged(value, key, INT32_MIN, UINT32_MAX));
        } else if (key == "extension") {
            d.extension = static_cast<uint16_t>(Ranged(value, key, -32768, 65535));
        } else if (key == "axes") {
            d.axes = static_cast<int>(Ranged(value, key, 1, 3));
        } else if (key == "servoOn") {
            if (!value.is_array()) Fail("servoOn must be a list of true/false, one per axis");
            for (const json& on : value) {
                if (!on.is_boolean()) Fail("servoOn must be a list of true/false, one per axis");
                d.servoOn.push_back(on.get<bool>());
            }
        } else if (key == "ready" || key == "holdReadyLow") {
            if (!value.is_boolean()) Fail(key + " must be true or false");
            (key == "ready" ? d.ready : d.holdReadyLow) = value.get<bool>();
        } else if (key == "readyDelayMs") {
            d.readyDelayMs = static_cast<uint32_t>(Ranged(value, key, 0, 600000));
        } else if (key == "sections") {
            if (!value.is_object()) Fail("sections must map section names to sizes");
            for (const auto& [name, size] : value.items()) {
                SectionRegister(name);
                d.sections[name] = static_cast<int16_t>(Ranged(size, "sections." + name, -32768, 65535));
            }
        } else if (key == "groups") {
            if (!value.is_array()) Fail("groups must be a list");
            for (size_t g = 0; g < value.size(); ++g) {
                const std::string where = "groups[" + std::to_string(g) + "]";
                const json& group = value[g];
                if (!group.is_object() || !group.contains("number")) Fail(where + " needs a number");
                ParameterGroup pg;
                // Group numbers beyond -32..31 and items beyond 128 would share
                // registers with other groups or axes (g x 0x100 + 2 x n, axes
                // at 0x2000 apart).
                pg.number = static_cast<int>(Ranged(group.at("number"), where + ".number", -32, 31));
                for (const ParameterGroup& earlier : d.groups)
                    if (earlier.number == pg.number) Fail(where + ".number repeats an earlier group's");
                const json items = group.value("items", json::array());
                if (!items.is_array()) Fail(where + ".items must be a list");
                if (items.size() > 128) Fail(where + ".items must hold at most 128 items");
                for (size_t i = 0; i < items.size(); ++i)
                    pg.items.push_back(ItemFrom(items[i], where + ".items[" + std::to_string(i) + "]"));
                d.groups.push_back(std::move(pg));
            }
        } else if (key == "contents") {
            if (!value.is_object()) Fail("contents must map section names to lists of words");
            for (const auto& [name, words] : value.items()) {
                ContentArea(name);
                if (!words.is_array() || words.size() > 65536) Fail("contents." + name + " must be a list of words");
                auto& content = d.contents[name];
                for (const json& w : words)
                    content.push_back(static_cast<uint16_t>(Ranged(w, "contents." + name, -32768, 65535)));
            }
        } else if (key == "registers") {
            if (!value.is_object()) Fail("registers must map addresses to values");
            for (const auto& [address, word] : value.items()) {
                const uint16_t a = static_cast<uint16_t>(Ranged(json(address), "register address", 0, 65535));
                d.registers[a] = static_cast<uint16_t>(Ranged(word, "registers." + address, -32768, 65535));
            }
        } else {
            Fail("unknown key \"" + key + "\"");
        }
    }
    return d;
}

DriveDescription DriveDescription::FromFile(const std::string& path) {
    std::ifstream in(path);
    if (!in) Fail("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return FromJson(text.str());
}

}  // namespace tarn::sim
