// libFuzzer entry: arbitrary bytes through the container operations and the
// compound-file reader (see image_input.h).
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/image_input.h"

namespace {

std::string g_workDir;

void RemoveWorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(g_workDir, ec);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // A private folder per process, in memory where the machine offers it.
    std::string base = access("/dev/shm", W_OK) == 0
                           ? "/dev/shm"
                           : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/tarn-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    g_workDir = pattern;
    atexit(RemoveWorkDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarn::fuzz::FeedImageInput(data, size, g_workDir);
    return 0;
}
