#pragma once
// A difference as rows of text, the same in every front end: what differs,
// the axis of a parameter, and each side's value ("(none)" when a side lacks
// it). A section's content gives a row for its length when the lengths differ
// and one per range of differing words, with its first words in hexadecimal.
#include <string>
#include <vector>

#include "review/difference.h"

namespace tarn::review {

struct DifferenceRow {
    std::string what;  // "P1-03", "size MV", "DH 10..16", "DH words", "mainVersion", ...
    std::string axis;  // "x", "y", "z", "w" for a parameter, else empty
    std::string a, b;
};

std::vector<DifferenceRow> RowsOf(const Difference& difference);

// The line that counts a comparison's differences: `matchText` when nothing
// differs, "3 differences." when only what a download would change differs,
// else both counts ("2 differences that a download would change, 1 that it
// cannot change.").
std::string Summary(const Comparison& comparison, const std::string& matchText);

// One line for each reason something was not compared ("Not compared (...): ...").
std::vector<std::string> NotComparedLines(const Comparison& comparison);

// Heads the differences in items a download does not write.
extern const char* const kNotWrittenHeading;

// "identity", "version", "size", ... (also the JSON documents' "what").
const char* KindName(DifferenceKind kind);

}  // namespace tarn::review
