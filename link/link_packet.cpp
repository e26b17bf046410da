#include "link/link_packet.h"

namespace tarn {

LinkChecks ComputeLinkChecks(const uint8_t* bytes, size_t size) {
    LinkChecks c{0xFF, 0};
    for (size_t i = 0; i < size; ++i) {
        c.x = static_cast<uint8_t>(static_cast<uint8_t>(c.x ^ bytes[i]) >> 1);
        c.s = static_cast<uint8_t>(c.s + bytes[i]);
    }
    return c;
}

std::vector<uint8_t> WrapLinkPacket(uint8_t type, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> packet;
    packet.reserve(payload.size() + 5);
    packet.push_back(kLinkStartMark);
    packet.push_back(static_cast<uint8_t>(payload.size() + 3));
    packet.push_back(type);
    for (uint8_t b : payload) packet.push_back(b);
    LinkChecks c = ComputeLinkChecks(packet.data() + 2, packet.size() - 2);
    packet.push_back(c.x);
    packet.push_back(c.s);
    return packet;
}

}  // namespace tarn
