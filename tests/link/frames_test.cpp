// The byte-level pieces of the link: CRC, packet checks, traces and the tables
// of line settings.
#include <gtest/gtest.h>

#include "link/crc16.h"
#include "link/link_packet.h"
#include "link/trace.h"
#include "platform/wide_string.h"

namespace tarn::test {

TEST(Frames, ModbusCrcOfTheReadRequest) {
    uint8_t frame[8] = {0x01, 0x03, 0x02, 0x00, 0x00, 0x02};
    AppendCrc(frame, 6);
    EXPECT_EQ(frame[6], 0xC5);
    EXPECT_EQ(frame[7], 0xB3);
    EXPECT_TRUE(CrcMatches(frame, 6));
    std::swap(frame[6], frame[7]);
    EXPECT_FALSE(CrcMatches(frame, 6));
    EXPECT_EQ(ModbusCrc16(frame, 0), 0xFFFF);
}

TEST(Frames, LinkPacketChecks) {
    // X: 0xFF -> (0xFF^0x00)>>1 = 0x7F -> (0x7F^0x01)>>1 = 0x3F; S = 0x01.
    const auto packet = WrapLinkPacket(0, {0x01});
    EXPECT_EQ(packet, (std::vector<uint8_t>{0xFE, 0x04, 0x00, 0x01, 0x3F, 0x01}));
    // A byte sum wraps at 256 and X shifts as an unsigned byte.
    const uint8_t bytes[] = {0x00, 0xFF, 0xFF};
    const LinkChecks c = ComputeLinkChecks(bytes, 3);
    EXPECT_EQ(c.s, 0xFE);
    EXPECT_EQ(c.x, 0x5F);  // 0x7F, then 0x40, then 0x5F
}

TEST(Frames, HexTraceIsBoundedTo66Bytes) {
    std::vector<uint8_t> bytes(80, 0xAB);
    bytes[0] = 0x0F;
    const std::u16string trace = HexTrace(bytes.data(), bytes.size());
    EXPECT_EQ(trace.size(), 198u);
    EXPECT_EQ(ToUtf8(trace.substr(0, 6)), "0F AB ");
}

}  // namespace tarn::test
