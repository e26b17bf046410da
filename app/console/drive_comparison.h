#pragma once
// `tarn compare` and `download --verify`: the connected drive held against an
// image (review/drive_comparison.h), rendered as text or as the fields of the
// run's result document.
#include <nlohmann/json.hpp>
#include <string>

#include "app/console/difference_view.h"
#include "app/console/loaded_image.h"
#include "app/console/session.h"
#include "review/difference.h"

namespace tarn::console {

extern const Sides kImageAndDrive;

using DriveComparison = review::Comparison;

// Throws std::u16string when the drive could not be read.
DriveComparison CompareDrive(Session& session, const Configuration& image);
DriveComparison VerifyDownload(Session& session);

// The differences as text lines and their count: those a download would
// change, then those in items it does not write, and what was not compared.
std::string RenderComparison(const DriveComparison& comparison, const std::string& matchText);

// {"differences": [...], "notWritten": [...], "notCompared": ["DV", "P5-02", ...],
//  "notWrittenItems": 85}   (verify: the items a download does not write, not compared)
nlohmann::ordered_json ComparisonFields(const DriveComparison& comparison);

}  // namespace tarn::console
