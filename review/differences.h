#pragma once
// Compares two configurations side by side.
#include "review/configuration.h"
#include "review/difference.h"

namespace tarn::review {

// What a download writes of the parameters, and so how items it does not write
// are treated.
enum class UnwrittenItems {
    Compare,   // as any other item (two images)
    Separate,  // compared, their differences kept apart (an image and a drive)
    Skip,      // not compared (verify: a download did not write them)
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
    UnwrittenItems unwritten = UnwrittenItems::Compare;
    bool statusItems = true;   // false: status items are left out (see IsStatusItem)
    bool imageFields = false;  // includes, part number, machine key
};

Comparison Compare(const ConfigSide& a, const ConfigSide& b, const CompareScope& scope);

// A status item is recognised by its register, from a short list: the
// definition record has no bit that tells a status word from a setting. The
// list holds the items whose value says nothing about the configuration: the
// servo state (P0-46) and the status word (P5-02), which the drive sets, and
// the items every read of the drive itself writes (P2-08 access code, P3-08
// cleared, P5-01 run step).
bool IsStatusItem(int group, int item);

std::string ItemId(int group, int item);

}  // namespace tarn::review
