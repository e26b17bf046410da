#pragma once
// What differs between two drive configurations: an image and what a drive
// holds (`tarn compare`, `download --verify`), or two images (`tarn diff`).
//
// Each difference is one JSON object; the two sides are named by `Sides`
// ("image" and "drive", or "a" and "b"):
//   {"what": "identity", "image": [3, 6, 5], "drive": [3, 6, 6]}
//   {"what": "version", "name": "mainVersion", "image": 3005, "drive": 3006}
//       (also subVersion, extension)
//   {"what": "size", "section": "DH", "image": 600, "drive": 500}
//       (every size an image keeps)
//   {"what": "content", "section": "DH", "imageWords": 600, "driveWords": 600,
//    "ranges": [{"first": 10, "count": 3, "image": [1, 2, 3], "drive": [0, 0, 0]}]}
//       (the first words of each range of differing words)
//   {"what": "parameter", "id": "P1-03", "axis": 0, "image": "12", "drive": "13"}
//       (as the parameter shows them; null: no such item)
//   {"what": "axes", "image": 3, "drive": 1}
//   {"what": "includes", "part": "DH", "a": true, "b": false}    (image fields: diff only)
//   {"what": "formatVersion", "a": 1, "b": 2}
//   {"what": "partNumber", "a": "...", "b": "..."}
//   {"what": "machineKey", "a": "set", "b": "none"}              (never the key itself)
#include <nlohmann/json.hpp>
#include <string>

#include "image/cfg_exchange.h"
#include "image/dev_info.h"
#include "params/para_mgr.h"

namespace tarn::console {

// One side: a device record, a configuration and its parameters.
struct ConfigSide {
    const CDevInfo& info;
    const CCfgExchange& cfg;
    const CParaMgr& params;
};

struct Sides {
    std::string a;
    std::string b;
};

// What to look at. Contents and parameters are compared where both sides
// include them.
struct CompareScope {
    bool identity = true;  // identity words and versions
    bool sizes = true;
    bool programSize = true;  // an upload does not read it: an image holds it with its Program only
    bool programDV = true;    // DV, Auto DV and Program contents
    bool dh = true;
    bool mh = true;
    bool parameters = true;
    bool downloadableOnly = false;  // only the parameters a download writes
    bool imageFields = false;       // includes, part number, machine key
};

nlohmann::ordered_json Differences(const ConfigSide& a, const ConfigSide& b,
                                   const CompareScope& scope, const Sides& sides);

// One line per difference, then a line that counts them (or says that the
// two match, in `matchText`).
std::string RenderDifferences(const nlohmann::ordered_json& differences, const Sides& sides,
                              const std::string& matchText);

}  // namespace tarn::console
