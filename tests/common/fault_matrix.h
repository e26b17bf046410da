#pragma once
// Whole transfers of the shipped drive through the dialogs with one kind of
// fault on the line at a given share of the replies, each judged against the
// same transfer on a clean line: an upload must save the same image byte for
// byte, a download must leave the drive exactly as the clean download does;
// otherwise the transfer must fail with a message.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/drive_description.h"

namespace tarn::test {

enum class FaultKind { Noise, BadCrc, BadCheck, Dropped, Late, Split, Foreign };
inline constexpr FaultKind kFaultKinds[] = {FaultKind::Noise, FaultKind::BadCrc, FaultKind::BadCheck,
                                            FaultKind::Dropped, FaultKind::Late,  FaultKind::Split,
                                            FaultKind::Foreign};
const char* FaultName(FaultKind kind);

struct TransferOutcome {
    bool finished = false;  // the log ended with "Finished!"
    bool exact = false;     // what was saved, or is now in the drive, is what the clean run gives
    bool saidWhy = false;   // a failure left a message box or a failure line in the log
    int faults = 0;         // replies that got the fault
    int retries = 0;        // requests beyond the clean run's; -1 when the transfer stopped early,
                            // since it then sent fewer requests than the clean run
    double seconds = 0;
    std::string message;    // the first message box, if any
    std::string stage;      // the log line before a failure's last one: the stage it reached
    // Never a wrong value: a finished transfer is exact, a failed one says so.
    bool Sound() const { return finished ? exact : saidWhy; }
};

class FaultMatrix {
public:
    // Runs the clean upload and download in `workDir`.
    explicit FaultMatrix(const std::filesystem::path& workDir);

    TransferOutcome Upload(FaultKind kind, double percent, uint32_t seed);
    TransferOutcome Download(FaultKind kind, double percent, uint32_t seed);

private:
    TransferOutcome Run(bool upload, FaultKind kind, double percent, uint32_t seed);

    std::filesystem::path m_dir;
    sim::DriveDescription m_shipped;  // what the uploads read
    sim::DriveDescription m_target;   // what the downloads write over
    std::filesystem::path m_image;    // the full image the downloads write
    std::vector<uint8_t> m_cleanUpload;
    std::string m_cleanDrive;         // the drive after the clean download, as JSON
    size_t m_cleanRequests[2] = {0, 0};
};

}  // namespace tarn::test
