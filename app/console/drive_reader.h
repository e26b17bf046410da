#pragma once
// Reads a connected drive into a configuration as an upload reads it: its
// identity and versions, every section size, the DH and MH contents and the
// parameter values, as far as `parts` asks. The DV, Auto DV and Program
// contents are not read: the drive does not give them back.
#include "app/console/loaded_image.h"
#include "device/cmd_impl.h"

namespace tarn::console {

struct DriveParts {
    bool dh = false;
    bool mh = false;
    bool parameters = false;
};

// `command`: the connected dialog's command implementation. `image`: the
// image the drive is to be compared with; its parameter definitions are the
// items read, so that no definition is read from the drive again (a drive of
// another identity has its own read). Throws std::u16string with the reason
// when the drive could not be read.
void ReadDrive(ICmdImpl& command, const CDevInfo& imageInfo, const CParaMgr& imageParams,
               const DriveParts& parts, Configuration& drive);

}  // namespace tarn::console
