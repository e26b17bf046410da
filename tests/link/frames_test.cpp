// The byte-level pieces of the link: CRC, packet checks, traces and the tables
// of line settings.
#include <gtest/gtest.h>

#include "link/crc16.h"
#include "link/frame_text.h"
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

TEST(Frames, TextTraceShowsLineEnds) {
    const std::string text = ":010302000002F8\r\n";
    EXPECT_EQ(ToUtf8(TextTrace(reinterpret_cast<const uint8_t*>(text.data()), text.size())),
              ":010302000002F8\\CR\\LF");
    const std::string longText(300, 'A');
    EXPECT_EQ(TextTrace(reinterpret_cast<const uint8_t*>(longText.data()), longText.size()).size(), 199u);
}

TEST(Frames, BusMonitorTextOfEachFunction) {
    struct Case {
        bool request;
        std::vector<uint8_t> frame;  // without its CRC
        const char* text;
    };
    const Case cases[] = {
        {true, {1, 0x03, 0x01, 0x00, 0x00, 0x0A}, "station=1 function=0x03 address=0x0100 count=10 crc=ok"},
        {false, {1, 0x03, 0x04, 0, 1, 0, 2}, "station=1 function=0x03 count=2 crc=ok"},
        {true, {1, 0x06, 0x02, 0x08, 0x00, 0x3A}, "station=1 function=0x06 address=0x0208 value=0x003A crc=ok"},
        {true, {7, 0x10, 0x05, 0x4E, 0x00, 0x02, 4, 0, 0, 0, 0}, "station=7 function=0x10 address=0x054E count=2 crc=ok"},
        {true, {1, 0xF5, 13, 0, 0x00, 0x0A, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, "station=1 function=0xF5 area=0 address=0x000A count=5 crc=ok"},
        {false, {1, 0xF5, 13, 0, 0x00, 0x0A}, "station=1 function=0xF5 area=0 address=0x000A count=5 crc=ok"},
        {true, {1, 0xF6, 4, 2, 0x00, 0x40, 10}, "station=1 function=0xF6 area=2 address=0x0040 count=10 crc=ok"},
        {false, {1, 0xF0, 32, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "station=1 function=0xF0 count=16 crc=ok"},
        {false, {1, 0x83, 0x02}, "station=1 function=0x83 exception=0x02 crc=ok"},
        {false, {1, 0xF5, 0x28}, "station=1 function=0xF5 exception=0x28 crc=ok"},  // F5 keeps its code
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> frame = c.frame;
        frame.resize(frame.size() + 2);
        AppendCrc(frame.data(), c.frame.size());
        EXPECT_EQ((c.request ? DescribeRequest : DescribeReply)(frame.data(), frame.size()), c.text);
        frame.back() ^= 0x01;
        const std::string spoilt = (c.request ? DescribeRequest : DescribeReply)(frame.data(), frame.size());
        EXPECT_TRUE(spoilt.ends_with(" crc=bad")) << spoilt;
    }
}

}  // namespace tarn::test
