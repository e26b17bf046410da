#pragma once
// Single parameters of a connected drive, for both front ends: the drive's
// parameter set read as an upload reads it, each item described as it shows
// itself (values per axis, default, limits, kind, whether a download writes
// it), "ITEM=VALUE" pairs checked against the items before anything goes to
// the drive, and the writes themselves with a read-back of every register pair.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/cmd_impl.h"
#include "params/para_mgr.h"

namespace tarn::review {

// Reads the definitions (group discovery and records) and every axis's
// values into `params`, wired to `command`. Throws std::u16string with the
// reason when the drive does not read. `groupRead` hears of each group read.
void ReadParameters(ICmdImpl& command, CParaMgr& params,
                    const std::function<void(int done, int groups)>& groupRead = {});

// "P1-02"; items of the further groups read "P-1-00".
std::string ItemName(const CParaItem& item);
// The item the name stands for, or nullptr (also for text that is no name).
const CParaItem* FindItem(const CParaMgr& params, const std::string& name);

// "x:", "y:", "z:" on a drive of several axes, "" on a drive of one (as the
// download's log lines prefix them).
std::string AxisPrefix(const CParaMgr& params, int axis);

struct ParameterView {
    std::string item;
    std::vector<std::string> values;  // one per axis of the drive, as the item shows it
    std::string defaultText;
    std::string lower, upper;  // in the item's own format
    std::string kind;          // "signed 16-bit", "hex 32-bit", "unsigned 16-bit, 2 decimals", ...
    std::string type;          // "signed", "unsigned" or "hex"
    int bits = 16;
    int decimals = 0;
    bool written = true;    // a parameter download writes it
    bool changed = false;   // some axis differs from the default
    std::string comment;
};

ParameterView Describe(const CParaMgr& params, const CParaItem& item);

// Whether the axis's value differs from the item's default (never for a
// default that depends on the device: that is no number to differ from).
bool DiffersFromDefault(const CParaItem& item, int axis);

// The text of `value` as the item shows its values.
std::string FormatAs(const CParaItem& item, int64_t value);

// One value to write, checked.
struct ParameterChange {
    const CParaItem* item = nullptr;
    int axis = 0;
    int64_t oldValue = 0;
    int64_t newValue = 0;
    std::string oldText, newText;
    std::string what;  // "x:P1-02", or "P1-02" on a drive of one axis
};

// All pairs checked against the items on every axis given: either every
// change, or (when one pair fails) the refusals, each naming the item and
// the reason, and no change at all.
struct WritePlan {
    std::vector<ParameterChange> changes;
    std::vector<std::string> refusals;
};
WritePlan PlanWrites(const CParaMgr& params, const std::vector<std::string>& pairs,
                     const std::vector<int>& axes);

// Refused when a servo of an axis written is on, as the download refuses;
// the reason, or nothing. Throws std::u16string when the state does not read.
std::optional<std::string> ServoRefusal(ICmdImpl& command, const std::vector<ParameterChange>& changes);

struct WrittenChange {
    ParameterChange change;
    enum class Result { Written, Refused, Mismatch } result = Result::Written;
    std::optional<int64_t> readBack;  // what the pair holds after the write
    std::string readBackText;
    std::string message;  // why it failed
};

// Writes the changes in order with the parameter download's sequence: the
// unlock of P2-08 and P5-01 once, then each item's register pair, low word
// first, read back and compared. Stops at the first change that fails; the
// result holds every change tried. Throws std::u16string when the unlock fails
// (nothing is written then).
std::vector<WrittenChange> WriteChanges(ICmdImpl& command, const std::vector<ParameterChange>& changes);

}  // namespace tarn::review
