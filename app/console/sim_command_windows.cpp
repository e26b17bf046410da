// `tarn sim` on Windows: the virtual drive lives on a pseudo-terminal, which
// Windows does not have.
#include <cstdio>

#include "app/console/sim_command.h"

namespace tarn::console {

void BlockStopSignals() {}

int RunSimulator(const CommandLine&) {
    std::fputs("tarn: the virtual drive (tarn sim) needs a pseudo-terminal and runs on Linux only\n", stderr);
    return 2;
}

}  // namespace tarn::console
