// The drive's identity and the wait for its ready bit.
#include "device_fixture.h"
#include "image/dev_info.h"
#include "tests/common/fast_clock.h"

namespace tarn::test {

namespace {

sim::DriveDescription Drive(uint16_t ident2) {
    sim::DriveDescription d;
    d.identity = {3, ident2, 5};
    d.mainVersion = 0x8001;  // read back sign-extended
    d.subVersion = 0x0012FFFE;
    d.extension = 0x9000;
    return d;
}

}  // namespace

TEST_F(DeviceTest, ReadDevInfoWithAndWithoutTheExtensionWord) {
    Start(Drive(6));
    CDevInfo info;
    info.m_nExtension = 77;
    info.m_nReserved = 5;
    EXPECT_TRUE(cmd.ReadDevInfo(info));
    EXPECT_EQ(info.m_wIdent1, 3);
    EXPECT_EQ(info.m_wIdent2, 6);
    EXPECT_EQ(info.m_wIdent3, 5);
    EXPECT_EQ(info.m_nMainVersion, -32767);
    EXPECT_EQ(info.m_nSubVersion, 0x0012FFFE);
    EXPECT_EQ(info.m_nExtension, 77) << "not read for a second identity word other than 8";
    EXPECT_EQ(info.m_nReserved, 5);
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"T", "R 0000 1", "R 0500 2"}));

    Start(Drive(8));
    EXPECT_TRUE(cmd.ReadDevInfo(info));
    EXPECT_EQ(info.m_nExtension, static_cast<int16_t>(0x9000));
    EXPECT_EQ(Traffic(),
              (std::vector<std::string>{"T", "R 0000 1", "R 0500 2", "W 0210 003A", "R FD00 1"}));
}

TEST_F(DeviceTest, ReadDevInfoFailurePaths) {
    Start(Drive(8));
    CDevInfo info;
    // The identity read fails: the main version is still read, then nothing more.
    RefuseWhen([](const sim::Bytes& f) { return f[1] == 0x67; });
    EXPECT_FALSE(cmd.ReadDevInfo(info));
    EXPECT_EQ(info.m_nMainVersion, -32767);
    EXPECT_EQ(info.m_nSubVersion, 0);
    EXPECT_EQ(LastError(), "Cmd Parameter Err ! Not Supported !");
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"T", "T", "T", "R 0000 1"}));

    RefuseWhen([](const sim::Bytes& f) { return f[1] == 0x03 && f[2] == 0x05; });
    EXPECT_EQ(Raised([&] { cmd.ReadDevInfo(info); }), "Fail to get Sub Version!");
    RefuseWhen([](const sim::Bytes& f) { return f[1] == 0x03 && f[2] == 0x00; });
    EXPECT_EQ(Raised([&] { cmd.ReadDevInfo(info); }), "Fail to get Main Version!");
    // A refused extension read is silent.
    info.m_nExtension = 1;
    RefuseWhen([](const sim::Bytes& f) { return f[1] == 0x03 && f[2] == 0xFD; });
    EXPECT_TRUE(cmd.ReadDevInfo(info));
    EXPECT_EQ(info.m_nExtension, 1);
}

TEST_F(DeviceTest, WaitP5_02ReadyWithAFastClock) {
    FastClock clock(0xFFFFFF00);  // wraps around during the wait
    cmd.SetClock(&clock);
    // Two refused reads, then the ready bit.
    int refusals = 2;
    RefuseWhen([&refusals](const sim::Bytes&) { return refusals-- > 0; });
    EXPECT_TRUE(cmd.WaitP5_02Ready());
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"R 0504 1", "R 0504 1", "R 0504 1"}));

    drive->SetReplyHook(nullptr);
    model->HoldReadyLow(true);
    EXPECT_FALSE(cmd.WaitP5_02Ready());
    EXPECT_EQ(Traffic().size(), 36u) << "a read every 200 ms until 7000 ms have passed";

    FastClock backwards(5000, -10000);
    cmd.SetClock(&backwards);
    EXPECT_FALSE(cmd.WaitP5_02Ready());
    EXPECT_EQ(Traffic().size(), 1u) << "a clock that went back ends the wait";
}

}  // namespace tarn::test
