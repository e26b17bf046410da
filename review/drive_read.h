#pragma once
// Reads a connected drive into a configuration as an upload reads it: its
// identity and versions, every section size, the DH and MH contents and the
// parameter values, as far as `parts` asks. The DV, Auto DV and Program
// contents are not read: the drive does not give them back.
//
// Not read-only: the read runs the upload's own register sequence, which
// clears P3-08, sets the access codes of P2-08 (71 and 73 before each stage,
// 0 and 73 after the parameters, 683 last; 58 before the extension word of a
// drive whose second identity word is 8) and writes the run step 0 to P5-01.
// A drive of another identity than the image's has its definitions read,
// which writes the group-select register.
#include "device/cmd_impl.h"
#include "review/configuration.h"

namespace tarn::review {

struct DriveParts {
    bool dh = false;
    bool mh = false;
    bool parameters = false;
};

// `command`: the connected command implementation. `image`: the configuration
// the drive is to be compared with; its parameter definitions are the items
// read, so that no definition is read from the drive again (a drive of
// another identity has its own read). Throws std::u16string with the reason
// when the drive could not be read.
void ReadDrive(ICmdImpl& command, const ConfigSide& image, const DriveParts& parts,
               Configuration& drive);

}  // namespace tarn::review
