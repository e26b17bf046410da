// What RTU and ASCII framing share, run for both: the limits checked before
// anything is sent, the retry rule and the refusals. The messages differ where
// the framings' own checks do.
#include <functional>

#include "link_fixture.h"

namespace tarn::test {

namespace {

struct Framing {
    const char* name;
    bool ascii;
    const char* badCheck;        // a reply whose CRC or LRC is wrong
    const char* silence;         // no reply at all
    const char* protectedWrite;  // the drive's own refusal of a protected register
};

const Framing kFramings[] = {
    {"Rtu", false, "Read CRC Check Error !", "Comm port read Error !", "Read Data Length Error ! 5"},
    {"Ascii", true, "Read LRC Check Error !", "Comm port no response !",
     "Password Err ! Parameter is write Protected !"},
};

class FramingTest : public LinkTest, public ::testing::WithParamInterface<Framing> {
protected:
    void SetUp() override { Open(GetParam().ascii); }
};

}  // namespace

TEST_P(FramingTest, LimitsAreCheckedBeforeAnythingIsSent) {
    uint16_t words[17] = {};
    EXPECT_TRUE(link.Read_Reg(1, 0, 10, words)) << Error();
    EXPECT_FALSE(link.Read_Reg(1, 0, 11, words));
    EXPECT_EQ(Error(), "Read Exceeds MAX Data no. !");
    EXPECT_EQ(Fault(), LinkFault{Request});
    EXPECT_FALSE(link.Read_CFG(1, 0, 17, words));
    EXPECT_EQ(Error(), "Read CFG Exceeds MAX no. !");
    EXPECT_EQ(drive.Requests().size(), 1u);
}

TEST_P(FramingTest, RetriesUpToThreeAttemptsAndKeepsTheLastMessage) {
    uint16_t word = 0;
    drive.SetFaults({.dropReplies = 2});
    EXPECT_TRUE(link.Read_Reg(1, 0, 1, &word)) << Error();
    EXPECT_EQ(drive.Requests().size(), 3u);
    drive.ClearRequests();
    drive.SetFaults({.dropReplies = 2, .corruptCrc = 3});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), GetParam().badCheck) << "the third attempt's message";
    EXPECT_EQ(Fault(), LinkFault{Crc});
    EXPECT_EQ(drive.Requests().size(), 3u);
}

TEST_P(FramingTest, RefusalsAndFailedChecks) {
    uint16_t word = 0;
    EXPECT_FALSE(link.Read_Reg(1, 0, 0, &word)) << "the drive refuses a count of 0";
    EXPECT_EQ(Error(), "Cmd Parameter Err ! Not Supported !");
    EXPECT_EQ(Fault(), (LinkFault{Exception, 3}));
    drive.Model().ProtectRegister(0x0106);
    EXPECT_FALSE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(Error(), GetParam().protectedWrite);
    EXPECT_EQ(Fault(), (LinkFault{Exception, 0x28})) << "whatever check the refusal fails";
    ReplyFramed({0x01, 0x03, 0x04, 0x12, 0x34});  // a byte count for two words
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read Data no. Error !");
    EXPECT_EQ(Fault(), LinkFault{PacketCheck});
    drive.SetReplyHook(nullptr);
    drive.SetFaults({.corruptCrc = -1});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), GetParam().badCheck);
    drive.SetFaults({.dropReplies = -1});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), GetParam().silence);
    EXPECT_EQ(Fault(), LinkFault{TimeOut});
}

TEST_P(FramingTest, RequestsAsSentAndTheWordsTaken) {
    drive.Model().SetRegister(0x0200, 0x1285);
    drive.Model().SetRegister(0x0201, 0xBEEF);
    sim::ConfigRecord record{};
    for (int i = 0; i < 16; ++i) record[i] = static_cast<uint16_t>(0xA0 + i);
    drive.Model().SetConfig(0x0304, record);
    const uint16_t values[3] = {1, 0x8000, 0xFFFF};
    uint16_t words[16] = {};
    struct Case {
        std::function<bool()> run;
        const char* rtu;    // the frame's leading bytes
        const char* ascii;  // the request line's leading characters
    };
    const Case cases[] = {
        {[&] { return link.Read_Reg(1, 0x0200, 2, words) && words[0] == 0x1285 && words[1] == 0xBEEF; },
         "01 03 02 00 00 02 C5 B3 ", ":010302000002F8\r\n"},
        {[&] { return link.Write_Reg(1, 0x0105, 0xA55A) && drive.Model().Register(0x0105) == 0xA55A; },
         "01 06 01 05 A5 5A ", ":01060105A55AF4\r\n"},
        {[&] { return link.Write_MultiReg(1, 0x0300, 3, values) && drive.Model().Register(0x0302) == 0xFFFF; },
         "01 10 03 00 00 03 06 00 01 80 00 FF FF ", ":0110030000030600018000FFFF64\r\n"},
        // The whole 16-word record is asked for; only the words wanted are taken.
        {[&] { words[4] = 0x7777; return link.Read_CFG(1, 0x0304, 4, words) && words[3] == 0xA3 && words[4] == 0x7777; },
         "01 F0 03 04 00 10 ", ":01F003040010F8\r\n"},
    };
    for (const Case& c : cases) {
        drive.ClearRequests();
        const std::string want = GetParam().ascii ? c.ascii : c.rtu;
        ASSERT_TRUE(c.run()) << want << ": " << Error();
        ASSERT_EQ(drive.Requests().size(), 1u) << want;
        const std::string sent = GetParam().ascii ? drive.Requests()[0].text : Hex(drive.Requests()[0].frame);
        EXPECT_EQ(sent.substr(0, want.size()), want);
    }
}

INSTANTIATE_TEST_SUITE_P(BothFramings, FramingTest, ::testing::ValuesIn(kFramings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace tarn::test
