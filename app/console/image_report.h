#pragma once
// `tarn inspect`: what an image file holds, as text or as one JSON document.
//
// The JSON document (stable; fields are only ever added):
// {
//   "file": "backup.tkw",
//   "identity": [3, 6, 5],                 // the image's device record
//   "mainVersion": 3005, "subVersion": 11, "extension": 0,
//   "formatVersion": 1,
//   "includes": {"programDV": false, "dh": true, "mh": true, "parameters": true},
//   "partNumber": "",
//   "machineKeySet": false,                // the key itself is never given
//   "sizes": {                             // the image's section sizes, in words
//     "DV": 1024, "ActualDV": 1000, "Program": 2048, "DH": 600, "MV": 256,
//     "X": 64, "Y": 64, "T": 32, "TU": 64, "TUD": 1024,
//     "CU": 32, "CD": 448,                 // CU = TU - T, CD = TUD / 2 - TU
//     "AutoDVStart": 900, "ActualAutoDV": 24, "FATVersion": 3
//   },
//   "contents": {                          // only the contents the image carries
//     "DH": {"words": 600, "crc32": 305419896},  // CRC-32 of the words, little-endian bytes
//     ...                                  // also "DV", "AutoDV", "Program", "MH"
//   },
//   "parameters": {                        // null when the image has none
//     "axes": 3,
//     "items": [{"id": "P0-00", "group": 0, "item": 0,
//                "values": ["3005", "3005", "3005"],   // formatted, one per axis
//                "default": "3005", "lower": "0", "upper": "32767",
//                "comment": ""}, ...]
//   }
// }
#include <string>

#include "app/console/console_io.h"
#include "review/image_description.h"

#include <nlohmann/json.hpp>

namespace tarn::console {

nlohmann::ordered_json DescriptionJson(const std::string& file, const review::ImageDescription& image);
std::string RenderImageText(const nlohmann::ordered_json& description);

// Loads the image and prints its description on stdout; returns the exit status.
int Inspect(const std::string& file, bool json, ConsoleIo& io);

}  // namespace tarn::console
