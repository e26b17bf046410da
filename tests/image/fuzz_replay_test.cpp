// Replays the image fuzzer's seed corpus and every input it ever found to break
// something (fuzz/regressions/image) through the same code path as the fuzzer.
#include <gtest/gtest.h>

#include "fuzz/image_input.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, CorpusAndRegressionsRunClean) {
    test::TempDir work;
    size_t count = 0;
    for (const char* folder : {"corpus/image", "regressions/image"}) {
        if (!fs::exists(fs::path(TARN_FUZZ_DIR) / folder)) continue;
        for (const auto& entry : fs::directory_iterator(fs::path(TARN_FUZZ_DIR) / folder)) {
            if (!entry.is_regular_file() || entry.path().filename().string().starts_with("."))
                continue;
            SCOPED_TRACE(entry.path().string());
            auto bytes = test::ReadFileBytes(entry.path());
            fuzz::FeedImageInput(bytes.data(), bytes.size(), work.path().string());
            count += folder[0] == 'c';
        }
    }
    EXPECT_GT(count, 0u) << "no seed corpus in " TARN_FUZZ_DIR;
}

}  // namespace
}  // namespace tarn
