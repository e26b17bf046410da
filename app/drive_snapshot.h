#pragma once
// A snapshot: the connected drive read as an upload reads it (section sizes,
// DH, MH and every parameter) and saved as an image before a download writes
// anything, so that downloading the snapshot undoes the download. The drive
// does not give back its DV, Auto DV and Program contents: no snapshot holds them.
#include <filesystem>
#include <optional>
#include <string>

#include "device/cmd_impl.h"
#include "image/dev_info.h"
#include "params/para_mgr.h"

namespace tarn {

// Reads the drive and saves the image at `file`. `definitions`: the parameter
// manager that learns the drive's definitions. False with the reason when the
// drive could not be read or the image not saved (nothing is left at `file` then).
bool TakeSnapshot(ICmdImpl& command, CParaMgr& definitions, CDevInfo& driveInfo,
                  const std::filesystem::path& file, std::u16string* reason);

// Where the next automatic snapshot of this drive goes:
// <data>/snapshots/drive-<identity>_<UTC time>.tkw.
std::filesystem::path NewSnapshotPath(const std::filesystem::path& dataFolder, const CDevInfo& drive);
// The newest snapshot of a drive of this identity, if there is one.
std::optional<std::filesystem::path> LastSnapshot(const std::filesystem::path& dataFolder, const CDevInfo& drive);

}  // namespace tarn
