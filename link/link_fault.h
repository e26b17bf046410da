#pragma once
// What went wrong in the link's last failed operation, for callers that must
// decide on it; the message text beside it is for people.
#include <cstdint>

namespace tarn {

enum class LinkFaultKind : uint8_t {
    None,
    Request,      // refused before anything was sent (a count above the limit)
    TimeOut,      // no reply in time, or the request was not taken in time
    Crc,          // the reply's CRC or LRC is wrong
    PacketCheck,  // a reply of the wrong shape: length, byte count, colon
    Exception,    // the drive refused the request; code holds its exception code
    PortLost,     // the port is gone (unplugged, closed under the link)
    PortError,    // the port failed otherwise; code holds the system error
};

struct LinkFault {
    LinkFaultKind kind = LinkFaultKind::None;
    int code = 0;
    friend bool operator==(const LinkFault&, const LinkFault&) = default;
    // A fault of the line rather than an answer of the drive: the next
    // exchange would most likely fail the same way.
    bool OnTheLine() const {
        return kind == LinkFaultKind::TimeOut || kind == LinkFaultKind::Crc || kind == LinkFaultKind::PacketCheck ||
               kind == LinkFaultKind::PortLost || kind == LinkFaultKind::PortError;
    }
};

// The link's typed fault, beside IModbusMaster's message.
struct ILinkFaults {
    virtual LinkFault LastFault() const = 0;
    virtual ~ILinkFaults() = default;
};

}  // namespace tarn
