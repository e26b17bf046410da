#include "link/packet_scanner.h"

#include <algorithm>
#include <cstring>

#include "link/link_packet.h"

namespace tarn {

namespace {

// Beyond this many buffered bytes the scanner starts afresh.
constexpr size_t kScanBound = 110;

}  // namespace

void PacketScanner::Reset() {
    m_write = m_scan = 0;
    m_wanted = 2;
    m_phase = Phase::Header;
}

size_t PacketScanner::Feed(const uint8_t* bytes, size_t size, Packet* delivered) {
    size_t taken = 0;
    if (delivered) *delivered = Packet{nullptr, 0};
    for (;;) {
        if (m_wanted > 0) {
            if (taken == size) return taken;
            // The scanner takes the bytes it wants, as if it had read them itself.
            const size_t take = std::min(m_wanted, size - taken);
            std::memcpy(m_buf + m_write, bytes + taken, take);
            taken += take;
            m_write += take;
            m_wanted -= take;
            if (m_wanted > 0) continue;
        }

        if (m_phase == Phase::Header) {
            if (m_buf[m_scan++] != kLinkStartMark) {
                m_wanted = 1;  // slide the two-byte window by one
            } else {
                const uint8_t length = m_buf[m_scan];
                if (length <= kLinkMaxLength) {
                    ++m_scan;
                    m_wanted = length;
                    m_phase = Phase::Body;
                    continue;
                }
                if (length == kLinkStartMark) {
                    m_wanted = 1;  // the second 0xFE is the next start-mark candidate
                } else {
                    ++m_scan;
                    m_wanted = 2;
                }
            }
        } else {
            // Body: type, payload, X, S. X and S cover type and payload.
            const uint8_t* body = m_buf + m_scan;
            const size_t length = m_write - m_scan;
            bool good = false;
            if (length >= 2) {
                const LinkChecks c = ComputeLinkChecks(body, length - 2);
                good = c.x == body[length - 2] && c.s == body[length - 1] &&
                       body[0] == kLinkTypeRtuResponse && length >= 3;
            }
            Reset();
            if (good) {
                // The payload stays where it is until the next Feed writes over it.
                if (delivered) *delivered = Packet{body + 1, length - 3};
                return taken;
            }
        }
        if (m_write > kScanBound) Reset();
    }
}

}  // namespace tarn
