#pragma once
// The requests a virtual drive received, one line each: "R 0300 1" (read
// address count), "W 0210 0047" (write address value), "M 0000 10" (write
// several: address count), "T" (identity triple), "C FF03" (definition
// record), "D"/"U" (blocks). Taking them clears the drive's log.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/virtual_drive.h"

namespace tarn::test {

inline std::vector<std::string> TakeRequestLines(sim::VirtualDrive& drive) {
    std::vector<std::string> lines;
    char line[32];
    for (const auto& r : drive.Requests()) {
        const auto& f = r.frame;
        const unsigned a = f[2] << 8 | f[3], b = f[4] << 8 | f[5];
        switch (r.Function()) {
            case 0x03: std::snprintf(line, sizeof line, "R %04X %u", a, b); break;
            case 0x06: std::snprintf(line, sizeof line, "W %04X %04X", a, b); break;
            case 0x10: std::snprintf(line, sizeof line, "M %04X %u", a, b); break;
            case 0x67: std::snprintf(line, sizeof line, "T"); break;
            case 0xF0: std::snprintf(line, sizeof line, "C %04X", a); break;
            case 0xF5: std::snprintf(line, sizeof line, "D"); break;
            case 0xF6: std::snprintf(line, sizeof line, "U"); break;
            default: std::snprintf(line, sizeof line, "? %02X", r.Function());
        }
        lines.push_back(line);
    }
    drive.ClearRequests();
    return lines;
}

}  // namespace tarn::test
