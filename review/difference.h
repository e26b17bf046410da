#pragma once
// What differs between two drive configurations, as typed values: an image
// and what a drive holds (compare, verify), or two images (diff). The two
// sides are `a` and `b`; a front end names them ("image" and "drive").
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tarn::review {

enum class DifferenceKind {
    Identity,       // the three identity words
    Version,        // name: "mainVersion", "subVersion" or "extension"
    Size,           // name: the section ("DV", "Program", ..., "FATVersion")
    Content,        // name: the section ("DV", "AutoDV", "Program", "DH", "MH")
    Parameter,      // name: the item's id, "P1-03"
    Axes,           // the number of axes
    Includes,       // name: the part ("Program/DV", "DH", "MH", "Parameter"); images only
    FormatVersion,  // images only
    PartNumber,     // images only
    MachineKey,     // images only: "none", "set" or "set, another" (never the key)
};

// One side's value: none (the side lacks the item), a flag, a number, a
// text (a parameter as it shows its values), or the identity words.
using SideValue = std::variant<std::monostate, bool, int64_t, std::string, std::vector<int>>;

// A run of differing words; `a` and `b` hold its first words (kWordsShown).
struct WordRange {
    size_t first = 0;
    size_t count = 0;
    std::vector<uint16_t> a, b;
};
constexpr size_t kWordsShown = 4;

struct Difference {
    DifferenceKind kind = DifferenceKind::Identity;
    std::string name;
    int group = 0, item = 0, axis = 0;  // Parameter
    SideValue a, b;                     // every kind but Content
    size_t wordsA = 0, wordsB = 0;      // Content: the sections' lengths
    std::vector<WordRange> ranges;      // Content
};

// Why something the sides hold was not compared.
enum class NotComparedReason {
    NotReadable,  // the drive does not give it back (DV, Auto DV, Program contents)
    Status,       // a status item: it shows the drive's state or this read's own writes
    NotWritten,   // a download does not write it (verify only; `items` counts them)
};

struct NotCompared {
    std::string what;  // a section, an item's id, or "parameters"
    NotComparedReason why = NotComparedReason::NotReadable;
    int items = 0;  // NotWritten: how many items
};

struct Comparison {
    // What a download of the image would change (and what makes the drive
    // not the image's: identity, versions). These decide the outcome.
    std::vector<Difference> differences;
    // Items a download never writes (extra groups, items with skip bits): a
    // download cannot make them equal, so they are listed apart.
    std::vector<Difference> notWritten;
    std::vector<NotCompared> notCompared;

    bool Same() const { return differences.empty(); }
};

}  // namespace tarn::review
