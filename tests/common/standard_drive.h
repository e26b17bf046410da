#pragma once
// The small servo drive the dialog tests run against: identity 3, 6, 5, small
// sections with DH and MH contents, and two parameter groups of 3 and 20 items.
#include <vector>

#include "sim/drive_description.h"

namespace tarn::test {

inline sim::DriveDescription StandardDrive(uint8_t station = 1) {
    sim::DriveDescription d;
    d.station = station;
    d.identity = {3, 6, 5};
    d.readyDelayMs = 0;
    d.sections = {{"DV", 40}, {"Program", 12}, {"DH", 20}, {"MV", 4},  {"X", 5},           {"Y", 6},
                  {"TC", 301}, {"ActualDV", 3}, {"T", 100}, {"TU", 120}, {"AutoDVStart", 30}, {"ActualAutoDV", 2},
                  {"FATVersion", 2}};
    d.contents = {{"DH", std::vector<uint16_t>(20, 0xD1)}, {"MH", std::vector<uint16_t>(128, 0x3E)}};
    sim::ParameterItem item;
    item.record = {0x7FFF, 0xFFFF, 0x8000, 0, 0, 0, 0};
    item.values = {1, 2, 3};
    d.groups.push_back({0, std::vector<sim::ParameterItem>(3, item)});
    d.groups.push_back({1, std::vector<sim::ParameterItem>(20, item)});
    return d;
}

}  // namespace tarn::test
