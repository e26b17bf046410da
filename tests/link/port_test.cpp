// Opening, setting up, closing and finding the drive.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>

#include "link/link_messages.h"
#include "link_fixture.h"
#include "platform/serial/open_failure.h"
#include "sim/pty.h"
#include "tests/common/unprivileged.h"

namespace tarn::test {

using Clock = std::chrono::steady_clock;

TEST(Port, OpenTwiceMissingDeviceAndUnknownNumber) {
    sim::VirtualDrive drive;
    CHCT_COMM link;
    link.Ports().Assign(4, drive.Path());
    EXPECT_EQ(link.OpenPort(4, kLinkBaudCode, kLinkProtocolCode), 1);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(link.OpenPort(4, kLinkBaudCode, kLinkProtocolCode), 1);
    EXPECT_EQ(ErrorOf(link), "Com port already opened !");
    uint16_t value = 0;
    EXPECT_TRUE(link.Read_Reg(1, 0, 1, &value)) << "the open port still works";
    link.ClosePort(true);

    // The design's message, then the reason on a line of its own.
    EXPECT_EQ(link.OpenPort("/dev/tarn-no-such-port", kLinkBaudCode, kLinkProtocolCode), 0);
    EXPECT_EQ(ErrorOf(link),
              "Com port open Failed !\nThere is no port /dev/tarn-no-such-port (is the USB bridge plugged in?)");
    EXPECT_EQ(link.LastFault(), (LinkFault{PortError, ENOENT}));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.OpenPort(9, kLinkBaudCode, kLinkProtocolCode), 0) << "no device behind 9";
    EXPECT_EQ(ErrorOf(link), "Com port open Failed !\nNo device is known as port 9");
    EXPECT_EQ(link.LastFault(), (LinkFault{LinkFaultKind::PortError, ENOENT}));
    EXPECT_FALSE(link.IsOpen());
}

TEST(Port, TwoLinksNeverShareAPort) {
    sim::VirtualDrive drive;
    CHCT_COMM first, second;
    ASSERT_EQ(first.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 1);
    EXPECT_EQ(second.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 0);
    EXPECT_EQ(ErrorOf(second),
              "Com port open Failed !\nThe port " + drive.Path() + " is in use by another program");
    EXPECT_EQ(second.OpenError(), EBUSY);
    EXPECT_EQ(second.LastFault(), (LinkFault{PortError, EBUSY}));
    first.ClosePort(true);
    EXPECT_EQ(second.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 1);
    EXPECT_EQ(second.OpenError(), 0);
    second.ClosePort(true);

    // A program that only puts the tty in exclusive mode holds it too, even
    // against root.
    const int other = ::open(drive.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::ioctl(other, TIOCEXCL), 0);
    EXPECT_EQ(first.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 0);
    EXPECT_EQ(first.OpenError(), EBUSY);
    ::ioctl(other, TIOCNXCL);
    ::close(other);
}

// A port whose file rights shut the user out: root is given up in a child, so
// that this holds where the tests run as root as well.
TEST(Port, APortTheUserMayNotOpenSaysHowToBeAllowed) {
    sim::PseudoTerminal line;
    ASSERT_EQ(::chmod(line.SlavePath().c_str(), 0), 0);
    const std::string seen = RunUnprivileged([&] {
        const std::string mayOpen = UserMayOpen(line.SlavePath()) ? "may open\n" : "may not open\n";
        CHCT_COMM link;
        const int opened = link.OpenPort(line.SlavePath(), kLinkBaudCode, kLinkProtocolCode);
        return mayOpen + std::to_string(opened) + " " + std::to_string(link.OpenError() == EACCES) + "\n" +
               ErrorOf(link);
    });
    EXPECT_EQ(seen, "may not open\n0 1\nCom port open Failed !\nNo permission to open " + line.SlavePath() +
                        ": add your user to the group dialout (sudo adduser $USER dialout), then log out and in"
                        " again");
    ASSERT_EQ(::chmod(line.SlavePath().c_str(), 0666), 0);
    EXPECT_EQ(RunUnprivileged([&] { return std::string(UserMayOpen(line.SlavePath()) ? "yes" : "no"); }), "yes");
}

TEST(Port, ClosePortPausesOnlyWhenOpen) {
    CHCT_COMM link;
    auto t0 = Clock::now();
    EXPECT_TRUE(link.ClosePort(true));
    EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(100));

    sim::VirtualDrive drive;
    ASSERT_EQ(link.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 1);
    t0 = Clock::now();
    EXPECT_TRUE(link.ClosePort(true));
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(500));
    EXPECT_FALSE(link.IsOpen());
}

TEST_F(LinkTest, SetupPortAppliesEveryCode) {
    for (int unknown : {1, 10, 500}) {
        EXPECT_TRUE(link.SetupPort(unknown, 6, 12000, 4096));
        EXPECT_EQ(link.Line().baud, 9600u);
        EXPECT_EQ(link.ResponseTimeout(), 2100u);
    }
    EXPECT_TRUE(link.SetupPort(501, 6, 12000, 4096));
    EXPECT_EQ(link.Line().baud, 2000000u);
    EXPECT_EQ(link.ResponseTimeout(), 600u);
    // Rates without a standard constant.
    EXPECT_TRUE(link.SetupPort(8, 6, 12000, 4096));
    EXPECT_TRUE(link.SetupPort(9, 6, 12000, 4096));
    EXPECT_EQ(link.Line().baud, 4600000u);

    EXPECT_TRUE(link.SetupPort(7, 9, 12000, 4096));
    EXPECT_EQ(link.Line().dataBits, 7);
    EXPECT_EQ(link.Line().stopBits, 2);
    EXPECT_TRUE(link.IsRtu());
    EXPECT_TRUE(link.SetupPort(7, -1, 12000, 4096));
    EXPECT_FALSE(link.IsRtu());
}

TEST_F(LinkTest, EveryProtocolCodeWorksAndTheReceiveThreadKeepsOffAsciiLines) {
    drive.Model().SetRegister(0x20, 0x4321);
    for (int code = 0; code <= 9; ++code) {
        ASSERT_TRUE(link.SetupPort(1, code, 12000, 4096));  // 9600 baud
        drive.SetAsciiFraming(!link.IsRtu());
        EXPECT_EQ(link.IsRtu(), code >= 6) << code;
        for (int i = 0; i < 5; ++i) {
            uint16_t word = 0;
            ASSERT_TRUE(link.Read_Reg(1, 0x20, 1, &word)) << "code " << code << ": " << Error();
            EXPECT_EQ(word, 0x4321);
        }
    }
}

TEST(Port, AsciiWriteToALostLineFails) {
    auto drive = std::make_unique<sim::VirtualDrive>();
    drive->SetAsciiFraming(true);
    CHCT_COMM link;
    ASSERT_EQ(link.OpenPort(drive->Path(), 1, 3), 1);  // 9600 baud, ASCII 8N2
    drive.reset();
    uint16_t word = 0;
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(ErrorOf(link), " Comm port Sending Failed !");
    EXPECT_EQ(link.LastFault(), LinkFault{PortLost});
}

TEST(Port, SetupPortOnAClosedPortReportsTheSystemCode) {
    CHCT_COMM link;
    EXPECT_FALSE(link.SetupPort(7, 6, 12000, 4096));
    EXPECT_EQ(ErrorOf(link), "DCB Set Error ! Code = 9");  // bad descriptor
    EXPECT_EQ(link.LastFault(), (LinkFault{PortError, EBADF}));
}

TEST(Port, AutoDetectReadsTheStationAndLeavesThePortClosed) {
    sim::VirtualDrive drive(5);
    drive.Model().SetRegister(0x0300, 5);
    CHCT_COMM link;
    link.Ports().Assign(3, drive.Path());
    int station = 0, baud = 0, protocol = 0;
    ASSERT_TRUE(link.AutoDetect(3, &station, &baud, &protocol)) << ErrorOf(link);
    EXPECT_EQ(station, 5);
    EXPECT_EQ(baud, 7);
    EXPECT_EQ(protocol, 6);
    EXPECT_FALSE(link.IsOpen());
    const auto requests = drive.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(Hex(requests[0].frame).substr(0, 18), "FF 03 03 00 00 01 ");

    // A station word is sign-extended.
    drive.Model().SetRegister(0x0300, 0xFFFE);
    ASSERT_TRUE(link.AutoDetect(3, &station, &baud, &protocol));
    EXPECT_EQ(station, -2);
}

TEST(Port, AutoDetectFailures) {
    sim::VirtualDrive drive;
    drive.SetFaults({.dropReplies = -1});
    CHCT_COMM link;
    link.Ports().Assign(3, drive.Path());
    int station = 0, baud = 0, protocol = 0;
    EXPECT_FALSE(link.AutoDetect(3, &station, &baud, &protocol));
    EXPECT_EQ(ErrorOf(link),
              "Auto Detection Baud/Protocol Failed !\n\nComm port read Error !");
    EXPECT_EQ(link.LastFault(), LinkFault{TimeOut});
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(drive.Requests().size(), 3u);

    EXPECT_FALSE(link.AutoDetect(8, &station, &baud, &protocol));
    EXPECT_EQ(ErrorOf(link),
              "Auto Detection Baud/Protocol Failed !\n\nCom port open Failed !\nNo device is known as port 8");
}

TEST(Port, WriteWithoutWaitingNeedsNoDrive) {
    sim::PseudoTerminal line;  // nobody answers on it
    CHCT_COMM link;
    ASSERT_EQ(link.OpenPort(line.SlavePath(), kLinkBaudCode, kLinkProtocolCode), 1);
    EXPECT_TRUE(link.Write_Reg_RTU(1, 0x10, 1, false));
}

TEST(Port, RequestsWithoutAnOpenPortAreNotTaken) {
    CHCT_COMM link;
    uint16_t value = 0;
    auto t0 = Clock::now();
    EXPECT_FALSE(link.Read_Reg_RTU(1, 0, 1, &value));
    EXPECT_EQ(ErrorOf(link), " Comm port Sending Failed !");
    EXPECT_EQ(link.LastFault(), LinkFault{TimeOut});
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(1600));
}

}  // namespace tarn::test
