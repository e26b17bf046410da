#pragma once
// A connected drive held against an image: `tarn compare` holds it against an
// image file, `download --verify` against what the download has just written.
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/console/config_differences.h"
#include "app/console/loaded_image.h"
#include "app/console/session.h"

namespace tarn::console {

extern const Sides kImageAndDrive;

struct DriveComparison {
    nlohmann::ordered_json differences;
    std::vector<std::string> notRead;  // sections the image holds that the drive does not give back
};

// Everything the image holds. Throws std::u16string when the drive could not be read.
DriveComparison CompareDrive(Session& session, const Configuration& image);

// After a finished download: what it wrote, read back. Throws std::u16string
// when the drive could not be read.
DriveComparison VerifyDownload(Session& session);

// The differences as text lines and their count, and the sections not compared.
std::string RenderComparison(const DriveComparison& comparison, const std::string& matchText);

}  // namespace tarn::console
