// A short soak: many upload-then-download cycles in one dialog leave the
// process with no more descriptors, and (outside the sanitizers, whose
// bookkeeping keeps freed memory on purpose) no more resident memory, than it
// had once the first quarter of them had run. The long one is bench/soak.
#include <gtest/gtest.h>
#include <unistd.h>

#include "dialog_fixture.h"
#include "tests/common/soak.h"

namespace tarn::test {

TEST(Soak, CyclesInOneDialogLeaveNothingBehind) {
    constexpr int kCycles = 40, kWarm = kCycles / 4;
    const auto dir = std::filesystem::path(::testing::TempDir()) / ("tarn-soak-" + std::to_string(::getpid()));
    ProcessFigures warm, last;
    int finished = 0;
    RunSoak(StandardDrive(), dir, kCycles, [&](const SoakCycle& c) {
        finished += c.finished;
        if (c.number == kWarm) warm = c.figures;
        last = c.figures;
        return c.finished;
    });
    std::filesystem::remove_all(dir);
    EXPECT_EQ(finished, kCycles);
    std::printf("after cycle %d: %ld KiB, %d descriptors; after cycle %d: %ld KiB, %d descriptors\n", kWarm,
                warm.residentKiB, warm.openFds, kCycles, last.residentKiB, last.openFds);
    EXPECT_EQ(last.openFds, warm.openFds);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Memory the allocator may still take while it settles on its heap; a leak
    // of one transfer's buffers a cycle would pass it within a few cycles.
    constexpr long kSettlingKiB = 64;
    EXPECT_LE(last.residentKiB, warm.residentKiB + kSettlingKiB);
#endif
}

}  // namespace tarn::test
