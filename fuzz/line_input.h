#pragma once
// One input of the line fuzzer: bytes that arrive on the serial line while one
// of the link's one-attempt workers waits for its reply. The first byte picks
// the worker, its framing and its word count; the rest is what the drive's
// side of the line sends. Shared by the fuzzer and the test that replays its
// findings.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarn::fuzz {

struct LineRequest {
    bool ascii = false;
    int worker = 0;  // RTU: 0..7, ASCII: 0..3 (see line_input.cpp)
    int count = 0;   // the words asked for, within the worker's limit
    // ASCII: the reply goes out as given even when shorter than the worker
    // reads (then it reads on through its passes); otherwise it is cut or
    // padded with zero bytes to exactly what the worker reads.
    bool shortReply = false;
};

LineRequest DecodeSelector(uint8_t selector);
uint8_t EncodeSelector(const LineRequest& request);

// Runs the worker on a link opened on a pseudo-terminal whose other end this
// side plays: once the request has gone out, the line bytes follow (RTU: up to
// the end of the first packet the receive thread delivers; bytes that deliver
// none only go through a packet scanner of their own). Aborts when the worker
// reads past what it was given, does not end within its time-out, or fails
// without a message.
void FeedLineInput(const uint8_t* data, size_t size);

// The reply bytes the virtual drive gives to the worker's request, for seeds.
std::vector<uint8_t> DriveReply(const LineRequest& request);

}  // namespace tarn::fuzz
