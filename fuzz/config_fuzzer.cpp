// libFuzzer entry: arbitrary bytes as a profile file and as a drive
// description of the virtual drive (see config_input.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/config_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarn::fuzz::FeedConfigInput(data, size);
    return 0;
}
