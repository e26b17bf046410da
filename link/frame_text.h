#pragma once
// What a frame on the drive's line says, as one line of text for a bus
// monitor: "station=1 function=0x03 address=0x0100 count=10 crc=ok".
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

// An RTU request as the master sends it.
std::string DescribeRequest(const uint8_t* frame, size_t size);

// An RTU reply as the drive sends it inside its link packet.
std::string DescribeReply(const uint8_t* frame, size_t size);

}  // namespace tarn
