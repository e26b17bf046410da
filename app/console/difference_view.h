#pragma once
// Differences between two configurations as `tarn` shows them: JSON objects
// and text lines. The two sides are named by `Sides` ("image" and "drive",
// or "a" and "b"); each difference is one JSON object:
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
#include <vector>

#include "review/difference.h"

namespace tarn::console {

struct Sides {
    std::string a;
    std::string b;
};

nlohmann::ordered_json DifferencesJson(const std::vector<review::Difference>& differences,
                                       const Sides& sides);

// One line per difference.
std::string DifferenceLines(const std::vector<review::Difference>& differences, const Sides& sides);

// The lines of the differences, then a line that counts them (or says that
// the two match, in `matchText`).
std::string RenderDifferences(const review::Comparison& comparison, const Sides& sides,
                              const std::string& matchText);

}  // namespace tarn::console
