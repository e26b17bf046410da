#pragma once
// The link's framings as a table: RTU and ASCII each fill one entry with how
// they frame a request, exchange it and check the reply; the retrying
// operations, the link lock and the failure policies are written once
// against it.
#include <cstdint>
#include <optional>
#include <string>

#include "link/link_fault.h"

namespace tarn {

class CHCT_COMM_BASE;

// The drive's function codes.
namespace fn {
inline constexpr uint8_t kReadRegisters = 0x03;
inline constexpr uint8_t kWriteRegister = 0x06;
inline constexpr uint8_t kWriteRegisters = 0x10;
inline constexpr uint8_t kReadTriple = 0x67;
inline constexpr uint8_t kReadConfig = 0xF0;
inline constexpr uint8_t kDownloadBlock = 0xF5;
inline constexpr uint8_t kUploadBlock = 0xF6;
}  // namespace fn

// One request of an operation, whatever the framing.
struct LinkRequest {
    uint8_t function = 0;
    uint8_t station = 0;
    uint16_t address = 0;
    uint16_t count = 0;               // registers or words; 1 for a single write
    const uint16_t* words = nullptr;  // what a write or a download sends
    uint8_t area = 0;                 // a block's data area
    bool waitReply = true;            // false: a single write sent without waiting for its echo
};

// A failed check: the message for people, the kind for callers.
struct LinkFailure {
    std::u16string message;
    LinkFault fault;
};

// What a failed attempt leaves behind: its message, the message followed by
// the request and reply traces, or the message and a purged port.
enum class OnFailure : uint8_t { Store, StoreWithTraces, StoreAndPurge };

// A function the framing does not carry: its attempt sends nothing and ends
// with this result.
enum class Unsent : uint8_t { No, Fails, Succeeds };

struct AttemptRules {
    OnFailure onFailure;
    bool lock;  // the attempt holds the link lock itself
    Unsent unsent;
};

struct LinkFraming {
    using Link = CHCT_COMM_BASE;
    // Writes the request into the link's request buffer and returns its
    // length; 0, with nothing written, when it would not fit.
    uint32_t (*build)(Link&, const LinkRequest&);
    // The reply awaited: bytes (RTU) or characters (ASCII).
    uint32_t (*replyLength)(const LinkRequest&);
    // Sends `length` request bytes and waits for the reply; raises what keeps
    // it from coming.
    void (*exchange)(Link&, const LinkRequest&, uint32_t length, uint32_t replyLength);
    // The reply's checks in the framing's own order: the first that fails (a
    // refused single write also leaves its exception code in the link).
    std::optional<LinkFailure> (*check)(Link&, const LinkRequest&);
    // Takes the words a read returns out of the reply.
    void (*decode)(const Link&, const LinkRequest&, uint16_t* out);
    AttemptRules (*rules)(uint8_t function);
    // "CMD : <request>\nIN  : <reply>\n" in the framing's own notation.
    std::u16string (*traceLines)(const Link&);
    // RTU: the receive thread reads the port and hands replies over; ASCII:
    // the callers read it themselves and the thread leaves it alone.
    bool receiveThreadReads;
};

}  // namespace tarn
