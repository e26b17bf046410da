#pragma once
// The drive a command is about to write to, named on stderr before anything is
// written, and the station check: a drive that answered at another station
// than the one given with --station is written only when the user confirms.
#include <optional>
#include <string>

#include "app/console/console_io.h"
#include "image/dev_info.h"

namespace tarn::console {

struct WriteTarget {
    std::string port;
    std::optional<int> givenStation;  // --station as the dialog read it; none: not given
    int station = 0;                  // the station the connection uses
    const CDevInfo* info = nullptr;
};

// "target: port P, station S, identity a, b, c, main version m, sub version s"
std::string TargetLine(const WriteTarget& target);

// Says which station was used when it is not the one given; for a write asks
// whether to go on. False: not confirmed (nothing is to be written).
bool ConfirmStation(const WriteTarget& target, bool writes, ConsoleIo& io);

}  // namespace tarn::console
