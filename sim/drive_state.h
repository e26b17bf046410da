#pragma once
// The state of a running virtual drive as a drive description: what was
// written to it (parameter values, section sizes, section contents, further
// registers) replaces what it started with, so that a drive saved at the end
// of a session starts the next one as it was left.
#include <string>

#include "sim/drive_description.h"
#include "sim/servo_drive.h"

namespace tarn::sim {

DriveDescription SnapshotOf(const ServoDrive& drive);

// JSON that DriveDescription::FromJson reads back; one parameter item a line.
std::string ToJson(const DriveDescription& description);

// Writes the JSON to `path` through a temporary file renamed over it.
// Throws std::runtime_error when the file cannot be written.
void SaveDescription(const DriveDescription& description, const std::string& path);

}  // namespace tarn::sim
