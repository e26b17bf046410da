// Modbus ASCII framing against the virtual drive's ASCII side: request texts,
// the checks of its own, and the port shared with the receive thread.
#include "link/trace.h"
#include "link_fixture.h"
#include "platform/wide_string.h"

namespace tarn::test {

namespace {

constexpr int kBaud9600 = 1;
constexpr int kAscii8N2 = 3;

class AsciiTest : public LinkTest {
protected:
    void SetUp() override { Open(true); }
};

}  // namespace

TEST_F(AsciiTest, ReadRegistersChecks) {
    uint16_t word = 0;
    // An exception reply is shorter than wanted and still read for its code.
    ReplyLine({0x01, 0x83, 0x02});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Cmd Parameter Err ! Not Supported !");
    // An odd byte count of 3 for one register passes the count check.
    ReplyLine({0x01, 0x03, 0x03, 0x12, 0x34});
    EXPECT_TRUE(link.Read_Reg(1, 0, 1, &word)) << Error();
    EXPECT_EQ(word, 0x1234);
    drive.SetReplyHook(nullptr);

    // Reading register 0 (value 0) gives the LRC FA: in lower case it fails.
    drive.SetFaults({.lowercaseLrc = -1});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read LRC Check Error !");
    drive.SetFaults({.missingColon = -1});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read STX Error !");
    drive.SetFaults({.shortReplies = -1});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read LRC Check Error !") << "a reply cut short";
    drive.SetFaults({});
    ReplyText(":01\r\n");
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read Data no. Error !");
}

TEST_F(AsciiTest, WritesAndTheirRefusals) {
    drive.Model().ProtectRegister(0x0106);
    EXPECT_FALSE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(link.ExceptionCode(), 0x28);
    ReplyLine({0x01, 0x86, 0x02});
    EXPECT_FALSE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(Error(), "Cmd Parameter Err ! Not Supported !");
    EXPECT_EQ(link.ExceptionCode(), 0x02);
    drive.SetReplyHook(nullptr);

    const uint16_t values[3] = {1, 0x8000, 0xFFFF};
    EXPECT_FALSE(link.Write_MultiReg(1, 0x0105, 2, values));
    EXPECT_EQ(Error(), "Cmd Parameter Err ! Not Supported !") << "0x0106 is protected";
}

TEST_F(AsciiTest, ConfigRecordOfFifteenWords) {
    uint16_t out[16] = {};
    Bytes fifteen{0x01, 0xF0, 0x1E};
    fifteen.resize(33, 0);
    ReplyLine(fifteen);
    EXPECT_FALSE(link.Read_CFG(1, 0, 4, out));
    EXPECT_EQ(Error(), "Read Data no. Error !");
}

TEST_F(AsciiTest, BlockFunctionsAndTripleReadDoNothing) {
    uint16_t words[2] = {7, 7};
    EXPECT_TRUE(link.Upload_Block(1, 3, 0, 2, words));
    EXPECT_EQ(words[0], 7);
    EXPECT_TRUE(link.Download_Data(1, 3, 2, words));
    uint16_t a = 0, b = 0, c = 0;
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), "") << "no message of its own";
    EXPECT_TRUE(drive.Requests().empty());
}

TEST_F(AsciiTest, WriteToALostLineFails) {
    auto other = std::make_unique<sim::VirtualDrive>();
    other->SetAsciiFraming(true);
    CHCT_COMM lost;
    ASSERT_EQ(lost.OpenPort(other->Path(), kBaud9600, kAscii8N2), 1);
    other.reset();
    uint16_t word = 0;
    EXPECT_FALSE(lost.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(ErrorOf(lost), " Comm port Sending Failed !");
    EXPECT_EQ(lost.LastFault(), LinkFault{PortLost});
}

TEST_F(AsciiTest, EveryProtocolCodeWorksAndTheReceiveThreadKeepsOff) {
    drive.Model().SetRegister(0x20, 0x4321);
    for (int code = 0; code <= 9; ++code) {
        ASSERT_TRUE(link.SetupPort(kBaud9600, code, 12000, 4096));
        drive.SetAsciiFraming(!link.IsRtu());
        EXPECT_EQ(link.IsRtu(), code >= 6) << code;
        for (int i = 0; i < 5; ++i) {
            uint16_t word = 0;
            ASSERT_TRUE(link.Read_Reg(1, 0x20, 1, &word)) << "code " << code << ": " << Error();
            EXPECT_EQ(word, 0x4321);
        }
    }
}

TEST(Trace, TextTraceShowsLineEnds) {
    const std::string text = ":010302000002F8\r\n";
    EXPECT_EQ(ToUtf8(TextTrace(reinterpret_cast<const uint8_t*>(text.data()), text.size())),
              ":010302000002F8\\CR\\LF");
    const std::string longText(300, 'A');
    EXPECT_EQ(TextTrace(reinterpret_cast<const uint8_t*>(longText.data()), longText.size()).size(),
              199u);
}

}  // namespace tarn::test
