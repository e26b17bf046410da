// The soak: upload-then-download cycles of the shipped drive against one
// virtual drive in one process, through the dialogs' logic. The process's
// resident memory and open file descriptors are printed at the start, after
// the first cycle, every 25 cycles and at the end. Neither may grow once the
// first quarter of the cycles has run: by then the memory allocator has
// settled on the heap the transfers' buffers need.
//   soak [CYCLES]   (200 by default)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/default_drive.h"
#include "tests/common/soak.h"

int main(int argc, char** argv) {
    using namespace tarn::test;
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
    auto drive = tarn::sim::DriveDescription::FromJson(std::string(tarn::sim::DefaultDriveJson()));
    drive.readyDelayMs = 0;  // the dialogs' clock only pretends to wait
    const auto dir = std::filesystem::temp_directory_path() / ("tarn-soak-" + std::to_string(::getpid()));
    auto print = [](const char* when, const ProcessFigures& f) {
        std::printf("%-22s resident %7ld KiB   open descriptors %3d\n", when, f.residentKiB, f.openFds);
        std::fflush(stdout);
    };
    ProcessFigures warm, last;
    int finished = 0, ran = 0;
    const ProcessFigures start = RunSoak(drive, dir, cycles, [&](const SoakCycle& c) {
        ++ran;
        finished += c.finished;
        last = c.figures;
        if (c.number == std::max(1, cycles / 4)) warm = c.figures;
        if (c.number == 1 || c.number % 25 == 0 || c.number == cycles) {
            const std::string when = "after cycle " + std::to_string(c.number);
            print(when.c_str(), c.figures);
        }
        return c.finished;
    });
    std::filesystem::remove_all(dir);
    print("at the start", start);
    std::printf("%d of %d cycles finished both transfers\n", finished, cycles);
    const bool flat = ran == cycles && finished == cycles && last.openFds <= warm.openFds &&
                      last.residentKiB <= warm.residentKiB;
    std::printf("%s\n", flat ? "neither grew after the first quarter of the cycles"
                              : "SOMETHING GREW, OR A CYCLE FAILED");
    return flat ? 0 : 1;
}
