#pragma once
// A drive described as plain data: identity, versions, station, axes, servo
// state, readiness, section sizes, parameter groups with their definition
// records and values, and any further registers. Read from JSON, so that tests
// and users can make drives of every shape.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/drive_model.h"

namespace tarn::sim {

struct ParameterItem {
    ConfigRecord record{};
    std::vector<int64_t> values;  // one per axis; 32 bits, low word first
};

struct ParameterGroup {
    int number = 0;  // ordinary groups 0, 1, ...; further groups -1, -2, ...
    std::vector<ParameterItem> items;
};

struct DriveDescription {
    uint8_t station = 1;
    std::array<uint16_t, 3> identity{3, 6, 5};
    int32_t mainVersion = 3005;
    int32_t subVersion = 11;
    uint16_t extension = 0;  // register 0xFD00, unlocked by access code 58
    int axes = 3;
    std::vector<bool> servoOn;        // per axis; missing axes are off
    bool ready = true;                // bit 12 of P5-02 at power-up
    uint32_t readyDelayMs = 300;      // after the run step that follows a download
    bool holdReadyLow = false;        // the drive never reports ready
    std::map<std::string, int16_t> sections;  // "DV", "Program", ... (see SectionRegister)
    std::vector<ParameterGroup> groups;
    std::map<uint16_t, uint16_t> registers;   // anything else
    // Memory contents by section: "DH" (area 0), "DV" (area 1, Auto DV inside it
    // at its start address), "MH" (area 2), "Program" (area 7).
    std::map<std::string, std::vector<uint16_t>> contents;

    // Throws std::runtime_error naming what is wrong.
    static DriveDescription FromJson(const std::string& text);
    static DriveDescription FromFile(const std::string& path);
};

// The size register of a section name: DV, Program, DH, MV, X, Y, TC, ActualDV,
// T, TU, AutoDVStart, ActualAutoDV, FATVersion. Throws for other names.
uint16_t SectionRegister(const std::string& name);

// The memory area of a content name: DH 0, DV 1, MH 2, Program 7. Throws for others.
uint8_t ContentArea(const std::string& name);

}  // namespace tarn::sim
