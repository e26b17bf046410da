#pragma once
// The drive's side of Modbus ASCII: request lines ":" hex pairs, LRC, CR LF.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/rtu_frames.h"

namespace tarn::sim {

enum class AsciiStatus { Incomplete, Complete, Skip };

// Looks at the start of `buffer`. Skip: `consumed` bytes are no request (no
// colon, a broken line or a wrong LRC) and are to be dropped. Complete: the
// request line is `consumed` bytes long and `frame` holds its bytes without the
// LRC.
AsciiStatus FindAsciiRequest(const Bytes& buffer, size_t& consumed, Bytes& frame);

// The text of a reply: ":" then the frame's bytes (an RTU reply whose CRC is
// dropped) as upper-case hex, the LRC and CR LF.
std::string AsciiReplyText(const Bytes& rtuReply);

// Two's complement of the byte sum.
uint8_t AsciiLrc(const Bytes& bytes);

}  // namespace tarn::sim
