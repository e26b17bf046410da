#pragma once
// The receive thread's packet scanner: the bytes of the line go in as they
// come, the payloads of good type-0 link packets come out. It looks for the
// start mark 0xFE with a length of at most 100 behind it, takes that many
// bytes, checks X and S, and starts afresh after every packet, good or bad,
// and whenever more than 110 bytes have piled up, so that no noise makes it
// buffer without end.
#include <cstddef>
#include <cstdint>

namespace tarn {

class PacketScanner {
public:
    struct Packet {
        const uint8_t* payload;  // valid until the next Feed or Reset
        size_t length;           // 0 for a packet of length 3
    };

    // Takes bytes from `bytes` until they run out or a packet is complete.
    // Returns how many it took; `delivered` is set to the packet's payload when
    // a good type-0 packet ended with the last byte taken.
    size_t Feed(const uint8_t* bytes, size_t size, Packet* delivered);
    void Reset();

private:
    enum class Phase { Header, Body };

    uint8_t m_buf[2048] = {};
    size_t m_write = 0;
    size_t m_scan = 0;
    size_t m_wanted = 2;
    Phase m_phase = Phase::Header;
};

}  // namespace tarn
