#include "sim/drive_state.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "device/drive_registers.h"

namespace tarn::sim {

namespace {

using nlohmann::ordered_json;

constexpr const char* kSectionNames[] = {"DV",         "Program", "DH",          "MV", "X",
                                         "Y",          "TC",      "ActualDV",    "T",  "TU",
                                         "AutoDVStart", "ActualAutoDV", "FATVersion"};
constexpr const char* kContentNames[] = {"DH", "DV", "MH", "Program"};

uint16_t Take(std::map<uint16_t, uint16_t>& registers, uint16_t address) {
    auto it = registers.find(address);
    if (it == registers.end()) return 0;
    const uint16_t value = it->second;
    registers.erase(it);
    return value;
}

std::string Hex(uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", address);
    return text;
}

}  // namespace

DriveDescription SnapshotOf(const ServoDrive& drive) {
    DriveDescription d = drive.Description();
    std::map<uint16_t, uint16_t> registers = drive.Registers();
    d.mainVersion = registers.count(reg::kMainVersion) ? registers[reg::kMainVersion] : d.mainVersion;
    d.subVersion = static_cast<int32_t>(uint32_t{registers[reg::kSubVersion + 1]} << 16 |
                                        registers[reg::kSubVersion]);
    d.servoOn.clear();
    for (int axis = 0; axis < 3; ++axis)
        d.servoOn.push_back((Take(registers, static_cast<uint16_t>(axis * 0x2000 + reg::kServoState)) & 0x0002) != 0);
    const int axes = std::min(d.axes, 3);
    for (ParameterGroup& group : d.groups) {
        for (size_t item = 0; item < group.items.size(); ++item) {
            auto& values = group.items[item].values;
            values.clear();
            for (int axis = 0; axis < axes; ++axis) {
                const uint16_t at = reg::ParamAddress(group.number, static_cast<int>(item), axis);
                const uint16_t low = Take(registers, at);
                const uint16_t high = Take(registers, static_cast<uint16_t>(at + 1));
                values.push_back(static_cast<int32_t>(uint32_t{high} << 16 | low));
            }
        }
    }
    for (const char* name : kSectionNames)
        d.sections[name] = static_cast<int16_t>(Take(registers, SectionRegister(name)));
    for (uint16_t derived : {reg::kMainVersion, reg::kSubVersion, static_cast<uint16_t>(reg::kSubVersion + 1),
                             reg::kStation, reg::kGroupNumbers})
        registers.erase(derived);
    d.registers = registers;
    d.contents.clear();
    for (const char* name : kContentNames) {
        std::vector<uint16_t> words = drive.Area(ContentArea(name));
        if (!words.empty()) d.contents[name] = std::move(words);
    }
    return d;
}

std::string ToJson(const DriveDescription& d) {
    ordered_json head;
    head["station"] = d.station;
    head["identity"] = d.identity;
    head["mainVersion"] = d.mainVersion;
    head["subVersion"] = d.subVersion;
    head["extension"] = d.extension;
    head["axes"] = d.axes;
    head["servoOn"] = d.servoOn;
    head["ready"] = d.ready;
    head["readyDelayMs"] = d.readyDelayMs;
    head["holdReadyLow"] = d.holdReadyLow;
    ordered_json sections = ordered_json::object();
    for (const auto& [name, size] : d.sections) sections[name] = size;
    head["sections"] = sections;
    ordered_json registers = ordered_json::object();
    for (const auto& [address, value] : d.registers) registers[Hex(address)] = value;
    head["registers"] = registers;

    // The head in the usual form, then the long lists one entry a line.
    std::string text = head.dump(2);
    text.resize(text.size() - 2);  // the closing "\n}"
    text += ",\n  \"groups\": [";
    for (size_t g = 0; g < d.groups.size(); ++g) {
        const ParameterGroup& group = d.groups[g];
        text += (g ? ",\n    " : "\n    ") + std::string("{\"number\": ") + std::to_string(group.number) +
                ", \"items\": [";
        for (size_t i = 0; i < group.items.size(); ++i) {
            const ParameterItem& item = group.items[i];
            ordered_json j;
            j["record"] = item.record;
            j["values"] = item.values;
            text += (i ? ",\n      " : "\n      ") + j.dump();
        }
        text += "\n    ]}";
    }
    text += "\n  ],\n  \"contents\": {";
    bool first = true;
    for (const auto& [name, words] : d.contents) {
        text += (first ? "\n    \"" : ",\n    \"") + name + "\": " + ordered_json(words).dump();
        first = false;
    }
    text += "\n  }\n}\n";
    return text;
}

void SaveDescription(const DriveDescription& description, const std::string& path) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << ToJson(description);
        out.close();
        if (!out) throw std::runtime_error("cannot write " + temporary);
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) throw std::runtime_error("cannot replace " + path + ": " + ec.message());
}

}  // namespace tarn::sim
