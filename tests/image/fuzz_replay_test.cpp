// Replays the image fuzzer's seed corpus and every input it ever found to
// break something (fuzz/regressions) through the same code path as the fuzzer.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/image_input.h"
#include "tests/image/test_files.h"

#ifndef TARN_FUZZ_DIR
#error "TARN_FUZZ_DIR must name the fuzz folder"
#endif

namespace tarn {
namespace {

namespace fs = std::filesystem;

size_t ReplayFolder(const fs::path& folder) {
    size_t count = 0;
    if (!fs::exists(folder)) return count;
    test::TempDir work;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
        SCOPED_TRACE(entry.path().string());
        auto bytes = test::ReadFileBytes(entry.path());
        fuzz::FeedImageInput(bytes.data(), bytes.size(), work.path().string());
        ++count;
    }
    return count;
}

TEST(FuzzReplay, CorpusAndRegressionsRunClean) {
    EXPECT_GT(ReplayFolder(fs::path(TARN_FUZZ_DIR) / "corpus"), 0u);
    ReplayFolder(fs::path(TARN_FUZZ_DIR) / "regressions");
}

}  // namespace
}  // namespace tarn
