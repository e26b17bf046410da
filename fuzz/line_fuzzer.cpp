// libFuzzer entry: arbitrary bytes on the serial line while a worker of the
// link waits for its reply (see line_input.h).
#include <cstddef>
#include <cstdint>

#include "fuzz/line_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarn::fuzz::FeedLineInput(data, size);
    return 0;
}
