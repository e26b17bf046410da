#pragma once
// One input of the image fuzzer: arbitrary bytes taken as an image file and as a
// compound file. Shared by the fuzzer and the test that replays its findings.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::fuzz {

// Runs the container checks and the image load's unwrapping on the bytes as a
// file in workDir, opens the result and the raw bytes as compound files, walks
// every storage and stream, and copies what opened into a new compound file,
// which must read back the same. Aborts when an invariant does not hold.
void FeedImageInput(const uint8_t* data, size_t size, const std::string& workDir);

}  // namespace tarn::fuzz
