// Replays every fuzzer's seed corpus and every input it ever found to break
// something (fuzz/regressions) through the same code path as the fuzzer; an
// input that breaks an invariant aborts the test.
#include <gtest/gtest.h>

#include <functional>

#include "fuzz/config_input.h"
#include "fuzz/image_input.h"
#include "fuzz/line_input.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

TEST(FuzzReplay, CorporaAndRegressionsRunClean) {
    test::TempDir work;
    const std::pair<std::string, std::function<void(const uint8_t*, size_t)>> targets[] = {
        {"line", fuzz::FeedLineInput},
        {"config", fuzz::FeedConfigInput},
        {"image", [&](const uint8_t* d, size_t n) { fuzz::FeedImageInput(d, n, work.path().string()); }},
    };
    for (const auto& [target, feed] : targets) {
        size_t seeds = 0;
        for (const std::string folder : {"corpus/", "regressions/"}) {
            const fs::path dir = fs::path(TARN_FUZZ_DIR) / (folder + target);
            if (!fs::exists(dir)) continue;
            for (const auto& entry : fs::directory_iterator(dir)) {
                if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
                SCOPED_TRACE(entry.path().string());
                const auto bytes = test::ReadFileBytes(entry.path());
                feed(bytes.data(), bytes.size());
                seeds += folder == "corpus/";
            }
        }
        EXPECT_GT(seeds, 0u) << "no seed corpus for " << target;
    }
}

}  // namespace
}  // namespace tarn
