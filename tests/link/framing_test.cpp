// What RTU and ASCII framing share, run for both: the limits checked before
// anything is sent, the retry rule and the refusals. The messages differ where
// the framings' own checks do.
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

INSTANTIATE_TEST_SUITE_P(BothFramings, FramingTest, ::testing::ValuesIn(kFramings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace tarn::test
