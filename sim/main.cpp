// tarn-sim: a virtual drive on a pseudo-terminal, for demonstrations, training
// and work without a drive. Prints the device path to open, then serves until
// interrupted.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/drive_description.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"

int main(int argc, char** argv) {
    unsigned station = 1, baud = 0, turnaroundUs = 0;
    bool ascii = false;
    const char* driveFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        auto value = [&](const char* name) -> unsigned {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tarn-sim: %s needs a value\n", name);
                std::exit(2);
            }
            return static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 0));
        };
        if (!std::strcmp(argv[i], "--station")) {
            station = value("--station");
        } else if (!std::strcmp(argv[i], "--baud")) {
            baud = value("--baud");
        } else if (!std::strcmp(argv[i], "--drive") && i + 1 < argc) {
            driveFile = argv[++i];
        } else if (!std::strcmp(argv[i], "--ascii")) {
            ascii = true;
        } else if (!std::strcmp(argv[i], "--turnaround-us")) {
            turnaroundUs = value("--turnaround-us");
        } else {
            std::fprintf(stderr,
                         "usage: tarn-sim [--drive FILE.json] [--station N] [--baud RATE] "
                         "[--turnaround-us US] [--ascii]\n");
            return 2;
        }
    }
    tarn::sim::DriveDescription description;
    try {
        if (driveFile) description = tarn::sim::DriveDescription::FromFile(driveFile);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarn-sim: %s\n", e.what());
        return 2;
    }
    // --station overrides the station of the description.
    bool stationGiven = false;
    for (int i = 1; i < argc; ++i) stationGiven = stationGiven || !std::strcmp(argv[i], "--station");
    if (stationGiven) description.station = static_cast<uint8_t>(station);
    if (station < 1 || station > 247) {
        std::fprintf(stderr, "tarn-sim: the station must be 1 to 247\n");
        return 2;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    tarn::sim::VirtualDrive drive(description.station,
                                  std::make_shared<tarn::sim::ServoDrive>(description));
    drive.SetPacing({baud, turnaroundUs});
    drive.SetAsciiFraming(ascii);
    std::printf("%s\n", drive.Path().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    return 0;
}
