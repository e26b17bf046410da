// The register operations run for RTU and ASCII framing alike: the limits
// checked before anything is sent, the retry rule, the request frames and every
// check of the replies, each with the message and fault kind of its framing.
#include <functional>
#include <thread>

#include "link_fixture.h"

namespace tarn::test {

namespace {

struct Framing {
    const char* name;
    bool ascii;
    const char* badCheck;  // a reply whose CRC or LRC is wrong
};

const Framing kFramings[] = {
    {"Rtu", false, "Read CRC Check Error !"},
    {"Ascii", true, "Read LRC Check Error !"},
};

class FramingTest : public LinkTest, public ::testing::WithParamInterface<Framing> {
protected:
    void SetUp() override {
        Open(GetParam().ascii);
        drive.Model().SetRegister(0, 0x1234);
        drive.Model().ProtectRegister(0x0107);
    }
};

// What a framing gives for a case: the message (null: the operation succeeds)
// and the fault; for single writes also the exception code kept.
struct Expect {
    const char* message = nullptr;
    LinkFault fault{};
    int excCode = -1;  // -1: not asserted
    bool applies = true;
};
const Expect kSucceeds{};
const Expect kNotFramed{.applies = false};

// The reply every attempt gets.
struct Reply {
    Bytes frame{};  // empty: the drive's own reply
    bool swapCheck = false;
    sim::Faults faults{};
    const char* line = nullptr;  // an ASCII line as it stands
};

enum class Op { Read, ReadNone, ReadAsStationQuery, Write, WriteProtected, WriteSpanningProtected, Config, Triple };

struct Case {
    const char* what;
    Op op;
    Reply reply;
    Expect rtu, ascii;
};

// A configuration record reply with the given byte count and 32 zero bytes.
Bytes Record(uint8_t byteCount) {
    Bytes frame{0x01, 0xF0, byteCount};
    frame.resize(35, 0);
    return frame;
}

}  // namespace

TEST_P(FramingTest, LimitsAreCheckedBeforeAnythingIsSent) {
    uint16_t words[47] = {};
    EXPECT_TRUE(link.Read_Reg(1, 0, 10, words)) << Error();
    EXPECT_FALSE(link.Read_Reg(1, 0, 11, words));
    EXPECT_EQ(Error(), "Read Exceeds MAX Data no. !");
    EXPECT_EQ(Fault(), LinkFault{Request});
    EXPECT_FALSE(link.Write_MultiReg(1, 0, 47, words)) << "more than the request holds";
    EXPECT_EQ(Fault(), LinkFault{Request});
    EXPECT_FALSE(link.Read_CFG(1, 0, 17, words));
    EXPECT_EQ(Error(), "Read CFG Exceeds MAX no. !");
    EXPECT_EQ(Fault(), LinkFault{Request});
    EXPECT_EQ(drive.Requests().size(), 1u);
    // The refused record read leaves the link lock: another thread gets through.
    std::thread([&] { EXPECT_TRUE(link.Read_CFG(1, 0, 16, words)) << Error(); }).join();
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

TEST_P(FramingTest, EveryCheckOfTheReplies) {
    const char* const kNotSupported = "Cmd Parameter Err ! Not Supported !";
    const char* const kProtected = "Password Err ! Parameter is write Protected !";
    const char* const kDataNo = "Read Data no. Error !";
    const char* const kCrc = "Read CRC Check Error !";
    const char* const kLrc = "Read LRC Check Error !";
    const Case cases[] = {
        // Register 0 holds 0x1234; a read succeeds only when it returns it.
        {"the drive refuses a count of 0", Op::ReadNone, {}, {kNotSupported, {Exception, 3}},
         {kNotSupported, {Exception, 3}}},
        // A 5-byte refusal has the length a count of 0 expects (read for its
        // code); for a count of 1 RTU finds the length already wrong.
        {"a refusal, shorter than wanted", Op::Read, {{0x01, 0x83, 0x02}},
         {"Read Data Length Error !", {Exception, 2}}, {kNotSupported, {Exception, 2}}},
        // A byte count of 3 halves to one register (RTU's CRC check would
        // then reach past the reply).
        {"an odd byte count", Op::Read, {{0x01, 0x03, 0x03, 0x12, 0x34}}, kNotFramed, kSucceeds},
        {"a byte count for two words", Op::Read, {{0x01, 0x03, 0x04, 0x12, 0x34}}, {kDataNo, {PacketCheck}},
         {kDataNo, {PacketCheck}}},
        {"the check swapped", Op::Read, {{0x01, 0x03, 0x02, 0x12, 0x34}, true}, {kCrc, {Crc}}, {kLrc, {Crc}}},
        {"the LRC in lower case", Op::Read, {.faults = {.lowercaseLrc = -1}}, kNotFramed, {kLrc, {Crc}}},
        {"no colon", Op::Read, {.faults = {.missingColon = -1}}, kNotFramed, {"Read STX Error !", {PacketCheck}}},
        {"a line cut short", Op::Read, {.faults = {.shortReplies = -1}}, kNotFramed, {kLrc, {Crc}}},
        // Positions a short line does not reach read as zeros.
        {"a line without a byte count", Op::Read, {.line = ":01\r\n"}, kNotFramed, {kDataNo, {PacketCheck}}},
        {"silence", Op::Read, {.faults = {.dropReplies = -1}}, {"Comm port read Error !", {TimeOut}},
         {"Comm port no response !", {TimeOut}}},
        {"the station query answered by station 1", Op::ReadAsStationQuery, {}, kSucceeds, kSucceeds},

        // The drive's own refusal is 5 bytes long: RTU fails on its length and
        // keeps no code.
        {"a protected register", Op::WriteProtected, {}, {"Read Data Length Error ! 5", {Exception, 0x28}, 0},
         {kProtected, {Exception, 0x28}, 0x28}},
        {"an 8-byte refusal, protected", Op::Write, {{0x01, 0x86, 0x28, 0, 0, 0}}, {kProtected, {Exception, 0x28}, 0x28},
         {kProtected, {Exception, 0x28}, 0x28}},
        {"an 8-byte refusal, code 2", Op::Write, {{0x01, 0x86, 0x02, 0, 0, 0}}, {kNotSupported, {Exception, 2}, 2},
         {kNotSupported, {Exception, 2}, 2}},
        {"an echo that differs, which is not compared", Op::Write, {{0x01, 0x06, 0x09, 0x09, 0x09, 0x09}},
         {.excCode = 0}, {.excCode = 0}},
        {"the echo's check swapped", Op::Write, {{0x01, 0x06, 0x01, 0x06, 0x00, 0x01}, true}, {kCrc, {Crc}, 0},
         {kLrc, {Crc}, 0}},
        // RTU keeps the frames of a failed multiple write beside its message.
        {"a multiple write over a protected register", Op::WriteSpanningProtected, {},
         {"Read Data Length Error !\nCMD : 01 10 01 05 00 03 06 00 01 80 00 FF FF E7 DC \nIN  : 01 90 28 4C 1E \n",
          {Exception, 0x28}},
         {kNotSupported, {Exception, 0x28}}},

        // The record read tests no function code in ASCII.
        {"a record refused", Op::Config, {{0x01, 0xF0, 0x02}}, {"Read_CFG_RTU error 5 !", {Exception, 2}},
         {kDataNo, {PacketCheck}}},
        {"a record of one word", Op::Config, {{0x01, 0xF0, 0x02, 0, 0}},
         {"Read_CFG_RTU Data Length error!", {PacketCheck}}, {kDataNo, {PacketCheck}}},
        {"a record of fifteen words", Op::Config, {Record(0x1E)}, {"Read_CFG_RTU Data No error!", {PacketCheck}},
         {kDataNo, {PacketCheck}}},
        {"a record's check swapped", Op::Config, {Record(0x20), true}, {"Read_CFG_RTU CRC error!", {Crc}},
         {kLrc, {Crc}}},
        {"no record", Op::Config, {.faults = {.dropReplies = -1}}, {" Read_CFG_RTU Read Fail !", {TimeOut}},
         {"Comm port no response !", {TimeOut}}},

        // The triple read has no ASCII form.
        {"a triple read refused", Op::Triple, {{0x01, 0xE7, 0x01}}, {kNotSupported, {Exception, 1}}, kNotFramed},
        {"a triple of two words", Op::Triple, {{0x01, 0x67, 0x04, 0, 1, 0, 2}}, {"Data Length Error !", {PacketCheck}},
         kNotFramed},
        {"a triple's byte count", Op::Triple, {{0x01, 0x67, 0x05, 0, 1, 0, 2, 0, 3}}, {kDataNo, {PacketCheck}},
         kNotFramed},
        {"a triple's check swapped", Op::Triple, {{0x01, 0x67, 0x06, 0, 1, 0, 2, 0, 3}, true}, {kCrc, {Crc}},
         kNotFramed},
        {"no triple", Op::Triple, {.faults = {.dropReplies = -1}}, {" 2215016 !", {TimeOut}}, kNotFramed},
    };
    const uint16_t values[3] = {1, 0x8000, 0xFFFF};
    for (const Case& c : cases) {
        const Expect& want = GetParam().ascii ? c.ascii : c.rtu;
        if (!want.applies) continue;
        SCOPED_TRACE(c.what);
        drive.SetFaults(c.reply.faults);
        drive.SetReplyHook(nullptr);
        if (c.reply.line) ReplyText(c.reply.line);
        if (!c.reply.frame.empty()) ReplyFramed(c.reply.frame, c.reply.swapCheck);
        uint16_t w[16] = {};
        bool ok = false;
        switch (c.op) {
            case Op::Read: ok = link.Read_Reg(1, 0, 1, w) && w[0] == 0x1234; break;
            case Op::ReadNone: ok = link.Read_Reg(1, 0, 0, w); break;
            case Op::ReadAsStationQuery: ok = link.Read_Reg(255, 0, 1, w) && w[0] == 0x1234; break;
            case Op::Write: ok = link.Write_Reg(1, 0x0106, 1); break;
            case Op::WriteProtected: ok = link.Write_Reg(1, 0x0107, 1); break;
            case Op::WriteSpanningProtected: ok = link.Write_MultiReg(1, 0x0105, 3, values); break;
            case Op::Config: ok = link.Read_CFG(1, 0, 16, w); break;
            case Op::Triple: ok = link.Read_Triple(1, &w[0], &w[1], &w[2]); break;
        }
        if (want.message) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(Error(), want.message);
            EXPECT_EQ(Fault(), want.fault);
        } else {
            EXPECT_TRUE(ok) << Error();
        }
        if (want.excCode >= 0) {
            EXPECT_EQ(link.ExceptionCode(), want.excCode);
        }
    }
}

TEST_P(FramingTest, RequestsAsSentAndTheWordsTaken) {
    drive.Model().SetRegister(0x0200, 0x1285);
    drive.Model().SetRegister(0x0201, 0xBEEF);
    drive.Model().SetRegister(0x12, 3);
    drive.Model().SetRegister(0x13, 6);
    drive.Model().SetRegister(0x14, 0x0585);
    sim::ConfigRecord record{};
    for (int i = 0; i < 16; ++i) record[i] = static_cast<uint16_t>(0xA0 + i);
    drive.Model().SetConfig(0x0304, record);
    const uint16_t values[3] = {1, 0x8000, 0xFFFF};
    uint16_t words[16] = {};
    TripleRecord triple{};
    struct Case {
        std::function<bool()> run;
        const char* rtu;    // the frame's leading bytes
        const char* ascii;  // the request line's leading characters; null: no ASCII form
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
        {[&] { return link.Read_Triple(1, &words[0], &words[1], &words[2]) && words[0] == 3 && words[1] == 6 &&
                      words[2] == 0x0585; },
         "01 67 00 12 00 03 ", nullptr},
        {[&] { return link.Read_Triple_RTU(1, &triple) && triple.wFirst == 3 && triple.wThird == 0x0585; },
         "01 67 00 12 00 03 ", nullptr},
    };
    for (const Case& c : cases) {
        if (GetParam().ascii && !c.ascii) continue;
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

TEST_F(LinkTest, TwoThreadsShareTheLink) {
    // Each exchange holds the link lock, so replies never cross between threads.
    auto worker = [&](uint16_t base, bool& ok) {
        ok = true;
        for (uint16_t i = 0; i < 60 && ok; ++i) {
            uint16_t back = 0;
            ok = link.Write_Reg(1, base + i, static_cast<uint16_t>(base ^ i)) &&
                 link.Read_Reg(1, base + i, 1, &back) && back == (base ^ i);
        }
    };
    bool okA = false, okB = false;
    std::thread a(worker, 0x1000, std::ref(okA));
    std::thread b(worker, 0x2000, std::ref(okB));
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
}

}  // namespace tarn::test
