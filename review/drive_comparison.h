#pragma once
// A connected drive held against an image: compare holds it against an image
// file, verify against what a download has just written. Both read the drive
// as an upload does (see drive_read.h for what that writes).
#include "device/cmd_impl.h"
#include "review/configuration.h"
#include "review/difference.h"

namespace tarn::review {

// Everything the image holds. Items a download never writes are compared and
// kept apart; status items are not compared. Throws std::u16string when the
// drive could not be read.
Comparison CompareDrive(ICmdImpl& command, const ConfigSide& image);

// After a finished download of `written` (its download selections say what
// was written): what it wrote, read back. Throws std::u16string when the
// drive could not be read.
Comparison VerifyDownload(ICmdImpl& command, const ConfigSide& written);

}  // namespace tarn::review
