#pragma once
// What an image holds, as values a front end shows: its device record,
// includes, section sizes, the contents it carries with their CRC-32, and
// every parameter as it shows its values.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "image/cfg_exchange.h"
#include "image/dev_info.h"
#include "params/para_mgr.h"

namespace tarn::review {

struct ImageDescription {
    struct Content {
        std::string section;  // "DV", "AutoDV", "Program", "DH", "MH"
        size_t words = 0;
        uint32_t crc32 = 0;  // of the words, little-endian bytes
    };
    struct Item {
        std::string id;  // "P1-03"
        int group = 0, item = 0;
        std::vector<std::string> values;  // formatted, one per axis
        std::string defaultValue, lower, upper, comment;
    };
    struct Parameters {
        int axes = 0;
        std::vector<Item> items;
    };

    int identity[3] = {};
    int mainVersion = 0, subVersion = 0, extension = 0;
    uint32_t formatVersion = 0;
    bool includesProgramDV = false, includesDH = false, includesMH = false,
         includesParameters = false;
    std::string partNumber;
    bool machineKeySet = false;  // the key itself is never given
    // Section sizes in words (T, CU and CD in double words), in the order
    // shown; CU = TU - T, CD = TUD / 2 - TU.
    std::vector<std::pair<std::string, int>> sizes;
    std::vector<Content> contents;         // only those the image carries
    std::optional<Parameters> parameters;  // none when the image has none
};

ImageDescription DescribeImage(const CDevInfo& info, const CCfgExchange& cfg,
                               const CParaMgr* parameters);

}  // namespace tarn::review
