#pragma once
// One input of the configuration fuzzer: arbitrary bytes read as a profile
// (INI) file and as a drive description (JSON) of the virtual drive. Shared by
// the fuzzer and the test that replays its findings.
#include <cstddef>
#include <cstdint>

namespace tarn::fuzz {

// The profile: what is read is written back the same way a second time, and a
// value set from the input reads back unchanged. The drive description: it
// loads or is refused with a reason, and a drive built from it saves as a
// description that loads back to the same drive. Aborts when one does not hold.
void FeedConfigInput(const uint8_t* data, size_t size);

}  // namespace tarn::fuzz
