// Replays the line and configuration fuzzers' seed corpora and every input
// they ever found to break something (fuzz/regressions) through the same code
// paths as the fuzzers; an input that breaks an invariant aborts the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/config_input.h"
#include "fuzz/line_input.h"

namespace tarn {
namespace {

namespace fs = std::filesystem;

// Feeds every file of the target's corpus and regressions; returns how many
// seeds there were.
template <class Feed>
size_t Replay(const std::string& target, Feed feed) {
    size_t seeds = 0;
    for (const std::string folder : {"corpus/", "regressions/"}) {
        const fs::path dir = fs::path(TARN_FUZZ_DIR) / (folder + target);
        if (!fs::exists(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) continue;
            SCOPED_TRACE(entry.path().string());
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            feed(bytes.data(), bytes.size());
            seeds += folder == "corpus/";
        }
    }
    return seeds;
}

TEST(FuzzReplay, LineCorpusAndRegressionsRunClean) {
    EXPECT_GT(Replay("line", fuzz::FeedLineInput), 0u);
}

TEST(FuzzReplay, ConfigCorpusAndRegressionsRunClean) {
    EXPECT_GT(Replay("config", fuzz::FeedConfigInput), 0u);
}

}  // namespace
}  // namespace tarn
