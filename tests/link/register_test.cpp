// Register reads and writes: request bytes, replies, every check's message,
// retries and the link lock.
#include <thread>

#include "link_fixture.h"

namespace tarn::test {

TEST_F(LinkTest, ReadRegistersChecksInOrder) {
    uint16_t word = 0;
    // A 5-byte exception reply has the length a count of 0 expects (read for
    // its code); for a count of 1 the length is already wrong.
    ReplyWith({0x01, 0x83, 0x02});
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read Data Length Error !");
    EXPECT_EQ(Fault(), (LinkFault{Exception, 2}));
    Bytes swapped{0x01, 0x03, 0x02, 0x12, 0x34};
    sim::AppendFrameCrc(swapped);
    std::swap(swapped[5], swapped[6]);
    ReplyWith(swapped, false);
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(Error(), "Read CRC Check Error !");
    EXPECT_EQ(Fault(), LinkFault{Crc});
}

TEST_F(LinkTest, WriteRegisterAndItsRefusals) {
    ASSERT_TRUE(link.Write_Reg(1, 0x0105, 0xA55A)) << Error();
    EXPECT_EQ(drive.Model().Register(0x0105), 0xA55A);
    EXPECT_EQ(link.ExceptionCode(), 0);

    // The drive's own 5-byte refusal fails on its length; an 8-byte one is
    // read for its code.
    ReplyWith({0x01, 0x86, 0x28, 0x00, 0x00, 0x00});
    EXPECT_FALSE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(Error(), "Password Err ! Parameter is write Protected !");
    EXPECT_EQ(link.ExceptionCode(), 0x28);
    ReplyWith({0x01, 0x86, 0x02, 0x00, 0x00, 0x00});
    EXPECT_FALSE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(Error(), "Cmd Parameter Err ! Not Supported !");
    EXPECT_EQ(link.ExceptionCode(), 0x02);
    // The echo is not compared, only its CRC.
    ReplyWith({0x01, 0x06, 0x09, 0x09, 0x09, 0x09});
    EXPECT_TRUE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(link.ExceptionCode(), 0);
    ReplyWith({0x01, 0x06, 0x09, 0x09, 0x09, 0x09, 0x00, 0x00}, false);
    EXPECT_FALSE(link.Write_Reg(1, 0x0106, 1));
    EXPECT_EQ(Error(), "Read CRC Check Error !");
}

TEST_F(LinkTest, WriteMultipleRegistersAndTheTraceOfAFailure) {
    const uint16_t values[3] = {1, 0x8000, 0xFFFF};
    ASSERT_TRUE(link.Write_MultiReg(1, 0x0300, 3, values)) << Error();
    EXPECT_EQ(drive.Model().Register(0x0301), 0x8000);
    EXPECT_EQ(Hex(Sent()[0]).substr(0, 39), "01 10 03 00 00 03 06 00 01 80 00 FF FF ");

    drive.Model().ProtectRegister(0x0302);
    drive.ClearRequests();
    EXPECT_FALSE(link.Write_MultiReg(1, 0x0300, 3, values));
    Bytes refusal{0x01, 0x90, 0x28};
    sim::AppendFrameCrc(refusal);
    EXPECT_EQ(Error(), "Read Data Length Error !\nCMD : " + Hex(Sent()[2]) + "\nIN  : " +
                           Hex(refusal) + "\n");
    EXPECT_EQ(Fault(), (LinkFault{Exception, 0x28}));

    uint16_t tooMany[47] = {};
    EXPECT_FALSE(link.Write_MultiReg_RTU(1, 0, 47, tooMany)) << "more than the request holds";
}

TEST_F(LinkTest, TripleReadAndItsMessages) {
    drive.Model().SetRegister(0x12, 3);
    drive.Model().SetRegister(0x13, 6);
    drive.Model().SetRegister(0x14, 0x0585);
    uint16_t a = 0, b = 0, c = 0;
    ASSERT_TRUE(link.Read_Triple(1, &a, &b, &c)) << Error();
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 6);
    EXPECT_EQ(c, 0x0585);
    EXPECT_EQ(Hex(Sent()[0]).substr(0, 18), "01 67 00 12 00 03 ");
    TripleRecord record;
    ASSERT_TRUE(link.Read_Triple_RTU(1, &record));
    EXPECT_EQ(record.wThird, 0x0585);

    ReplyWith({0x01, 0xE7, 0x01});
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), "Cmd Parameter Err ! Not Supported !");
    ReplyWith({0x01, 0x67, 0x04, 0, 1, 0, 2});
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), "Data Length Error !");
    EXPECT_EQ(Fault(), LinkFault{PacketCheck});
    ReplyWith({0x01, 0x67, 0x05, 0, 1, 0, 2, 0, 3});
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), "Read Data no. Error !");
    ReplyWith({0x01, 0x67, 0x06, 0, 1, 0, 2, 0, 3, 0, 0}, false);
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), "Read CRC Check Error !");
    drive.SetReplyHook(nullptr);
    drive.SetFaults({.dropReplies = -1});
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), " 2215016 !");
}

TEST_F(LinkTest, ConfigRecordReadAndItsMessages) {
    sim::ConfigRecord record{};
    for (int i = 0; i < 16; ++i) record[i] = static_cast<uint16_t>(0x1280 + i);
    drive.Model().SetConfig(0x0102, record);
    uint16_t out[16] = {};
    out[4] = 0x7777;
    ASSERT_TRUE(link.Read_CFG(1, 0x0102, 4, out)) << Error();
    EXPECT_EQ(out[0], 0x1280);
    EXPECT_EQ(out[3], 0x1283);
    EXPECT_EQ(out[4], 0x7777) << "only the words asked for";
    EXPECT_EQ(Hex(Sent()[0]).substr(0, 18), "01 F0 01 02 00 10 ");

    // A count above the limit leaves the link lock: another thread gets through.
    EXPECT_FALSE(link.Read_CFG(1, 0x0102, 20, out));
    bool other = false;
    std::thread([&] { other = link.Read_CFG(1, 0x0102, 16, out); }).join();
    EXPECT_TRUE(other);

    ReplyWith({0x01, 0xF0, 0x02});
    EXPECT_FALSE(link.Read_CFG(1, 0, 16, out));
    EXPECT_EQ(Error(), "Read_CFG_RTU error 5 !");
    EXPECT_EQ(Fault(), (LinkFault{Exception, 2}));
    ReplyWith({0x01, 0xF0, 0x02, 0, 0});
    EXPECT_FALSE(link.Read_CFG(1, 0, 16, out));
    EXPECT_EQ(Error(), "Read_CFG_RTU Data Length error!");
    Bytes wrongCount{0x01, 0xF0, 0x1E};
    wrongCount.resize(35, 0);
    ReplyWith(wrongCount);
    EXPECT_FALSE(link.Read_CFG(1, 0, 16, out));
    EXPECT_EQ(Error(), "Read_CFG_RTU Data No error!");
    Bytes badCrc{0x01, 0xF0, 0x20};
    badCrc.resize(37, 0);
    ReplyWith(badCrc, false);
    EXPECT_FALSE(link.Read_CFG(1, 0, 16, out));
    EXPECT_EQ(Error(), "Read_CFG_RTU CRC error!");
    drive.SetReplyHook(nullptr);
    drive.SetFaults({.dropReplies = -1});
    EXPECT_FALSE(link.Read_CFG(1, 0, 16, out));
    EXPECT_EQ(Error(), " Read_CFG_RTU Read Fail !");
    EXPECT_EQ(Fault(), LinkFault{TimeOut});
}

TEST_F(LinkTest, OtherStationsAreNotAnswered) {
    uint16_t word = 0;
    EXPECT_FALSE(link.Read_Reg(2, 0, 1, &word));
    EXPECT_EQ(Error(), "Comm port read Error !");
    EXPECT_TRUE(link.Read_Reg(255, 0, 1, &word));
}

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
