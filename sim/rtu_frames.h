#pragma once
// The drive's side of an RTU exchange: where a request ends, and the reply that
// a drive model gives to it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/drive_model.h"

namespace tarn::sim {

using Bytes = std::vector<uint8_t>;

enum class FrameStatus { Incomplete, Complete, UnknownFunction };

// Looks at the bytes at the start of `buffer`; on Complete, `length` is the
// whole request with its CRC.
FrameStatus FindRequest(const Bytes& buffer, size_t& length);

// The reply frame (with CRC) to a complete, CRC-checked request.
Bytes AnswerRequest(DriveModel& model, const Bytes& request);

// The reply to a block write (0xF5) that was stored: its first six bytes and a CRC.
Bytes BlockWriteAcknowledgement(const Bytes& request);

// station, function | 0x80, code, CRC: five bytes.
Bytes ExceptionReply(uint8_t station, uint8_t function, uint8_t code);

// Appends the Modbus CRC, low byte first.
void AppendFrameCrc(Bytes& frame);

}  // namespace tarn::sim
