// The fault matrix: a full upload and a full download of the shipped drive
// through the dialogs, with noise, bad CRCs, bad packet checks, dropped, late,
// split and foreign replies at 1 %, 5 % and 20 % of the replies. Each transfer
// either finishes with every byte exact or fails with a message; the table
// shows which, with the faults met and the retries they cost.
//   fault_matrix [SEED [FAULT]]   (FAULT: one row's name, such as "late")
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/common/fault_matrix.h"

namespace {

using namespace tarn::test;

std::string Cell(const TransferOutcome& o) {
    char retries[16] = "   -";
    if (o.retries >= 0) std::snprintf(retries, sizeof retries, "%4d", o.retries);
    char text[96];
    std::snprintf(text, sizeof text, "%-8s %-5s %4d faults %s retries %6.1f s", o.finished ? "finished" : "failed",
                  o.finished ? (o.exact ? "exact" : "WRONG") : (o.saidWhy ? "said" : "MUTE"), o.faults, retries,
                  o.seconds);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t seed = argc > 1 ? static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 0)) : 1;
    const auto dir = std::filesystem::temp_directory_path() / ("tarn-fault-matrix-" + std::to_string(::getpid()));
    bool sound = true;
    std::string notes;
    auto note = [&](FaultKind kind, double percent, const char* transfer, const TransferOutcome& o) {
        if (o.finished && o.exact) return;
        char line[160];
        std::snprintf(line, sizeof line, "  %s %.0f%% %s: %s%s%s\n", FaultName(kind), percent, transfer,
                      o.stage.c_str(), o.message.empty() ? "" : " / ", o.message.c_str());
        notes += line;
    };
    {
        FaultMatrix matrix(dir);
        std::printf("fault matrix, seed %u: a full upload and a full download of the shipped drive\n\n", seed);
        std::printf("%-17s %5s  %-49s  %-49s\n", "fault", "rate", "upload", "download");
        for (FaultKind kind : kFaultKinds) {
            if (argc > 2 && std::string(argv[2]) != FaultName(kind)) continue;
            for (double percent : {1.0, 5.0, 20.0}) {
                const TransferOutcome up = matrix.Upload(kind, percent, seed);
                const TransferOutcome down = matrix.Download(kind, percent, seed);
                sound = sound && up.Sound() && down.Sound();
                note(kind, percent, "upload", up);
                note(kind, percent, "download", down);
                std::printf("%-17s %4.0f%%  %-49s  %-49s\n", FaultName(kind), percent, Cell(up).c_str(),
                            Cell(down).c_str());
                std::fflush(stdout);
            }
        }
    }
    std::filesystem::remove_all(dir);
    std::printf("\nwhere it stopped (the stage, then the message box):\n%s", notes.c_str());
    std::printf("\n%s\n", sound ? "every transfer finished exact or failed with a message"
                                : "SOME TRANSFER WROTE OR SAVED A WRONG VALUE, OR FAILED WITHOUT A WORD");
    return sound ? 0 : 1;
}
