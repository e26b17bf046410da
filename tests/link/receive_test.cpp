// The receive thread: unwrapping the drive's packets out of whatever else is on
// the line, and noticing when the line is gone.
#include <atomic>
#include <thread>

#include "link/link_packet.h"
#include "link_fixture.h"

namespace tarn::test {

class ReceiveTest : public LinkTest {
protected:
    // Reads registers 0x10..0x11 (set to 0x1285, 0xBEEF) and checks the words.
    ::testing::AssertionResult ReadsCorrectly() {
        uint16_t words[2] = {};
        if (!link.Read_Reg(1, 0x10, 2, words))
            return ::testing::AssertionFailure() << Error();
        if (words[0] != 0x1285 || words[1] != 0xBEEF)
            return ::testing::AssertionFailure() << std::hex << words[0] << " " << words[1];
        return ::testing::AssertionSuccess();
    }
    void SetUp() override {
        LinkTest::SetUp();
        drive.Model().SetRegister(0x10, 0x1285);
        drive.Model().SetRegister(0x11, 0xBEEF);
    }
};

TEST_F(ReceiveTest, FindsThePacketBehindWhatElseIsOnTheLine) {
    sim::Bytes junk(250);  // runs past the 110-byte bound and is scanned afresh
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i % 0xFD);
    const struct {
        const char* what;
        sim::Faults faults;
        size_t requests;
    } kCases[] = {
        {"bytes that are no start mark, a start mark with a length above 100",
         {.noisyReplies = 1, .noise = {0x11, 0x00, 0xFE, 0xC8, 0x7F}}, 1},
        {"a packet of another type", {.foreignPackets = 1}, 1},
        {"pauses", {.splitReplies = 1, .splitPieces = 4, .splitPauseMs = 20}, 1},
        {"FE FE L: the second 0xFE is the start mark", {.noisyReplies = 1, .noise = {0xFE}}, 1},
        {"long noise", {.noisyReplies = 1, .noise = junk}, 1},
        // A type-0 packet with a wrong X byte is dropped: that attempt times out.
        {"a wrong X byte", {.corruptChecks = 1}, 2},
        // Would swallow the replies to every attempt after it, but a request
        // going out starts the scanner afresh.
        {"a start mark and a length of 100", {.noisyReplies = 1, .noise = {0xFE, 100}}, 2},
    };
    for (const auto& c : kCases) {
        drive.ClearRequests();
        drive.SetFaults(c.faults);
        EXPECT_TRUE(ReadsCorrectly()) << c.what;
        EXPECT_EQ(drive.Requests().size(), c.requests) << c.what;
    }
}

TEST_F(ReceiveTest, AnEmptyPacketDeliversNothing) {
    // L = 3: an empty response, which leaves the length at 0.
    drive.SetReplyHook([](const sim::LoggedRequest&, const Bytes&) -> std::optional<Bytes> {
        return WrapLinkPacket(kLinkTypeRtuResponse, {});
    });
    uint16_t word = 0;
    EXPECT_FALSE(link.Read_Reg(1, 0x10, 1, &word));
    EXPECT_EQ(Error(), "Comm port read Error !");
    EXPECT_EQ(Fault(), LinkFault{TimeOut});
    EXPECT_EQ(drive.Requests().size(), 3u);
}

TEST_F(ReceiveTest, LateReplyLandsInTheNextAttempt) {
    // The reply to the first request comes after the 300 ms time-out, while the
    // second attempt waits, and is taken as its reply.
    drive.SetFaults({.lateReplies = 1, .lateByMs = 420});
    EXPECT_TRUE(ReadsCorrectly());
    // The drive logs the second request once it has sent the late reply.
    EXPECT_TRUE(drive.WaitForRequests(2, std::chrono::milliseconds(500)));
    EXPECT_EQ(drive.Requests().size(), 2u);
}

TEST_F(ReceiveTest, AStrayReplyNeverAnswersALaterRequest) {
    // The first attempt's reply comes late and answers the second attempt; the
    // second attempt's own reply, late as well, then comes while the next
    // request waits, and would pass every check of it. It is let go by before
    // that request goes out.
    drive.Model().SetRegister(0x20, 0x2222);
    drive.Model().SetRegister(0x21, 0x3333);
    drive.SetFaults({.lateReplies = 2, .lateByMs = 420});
    EXPECT_TRUE(ReadsCorrectly());
    uint16_t words[2] = {};
    ASSERT_TRUE(link.Read_Reg(1, 0x20, 2, words)) << Error();
    EXPECT_EQ(words[0], 0x2222);
    EXPECT_EQ(words[1], 0x3333);
    EXPECT_TRUE(ReadsCorrectly()) << "the line is in step again";
}

TEST_F(ReceiveTest, ALateStationQueryNeverAnswersAReadAfterReconnecting) {
    // As at connecting: the station query goes unanswered in time, the port is
    // closed and opened again, and the query's late reply arrives while the
    // next read waits. It names station 255, so it answers nothing of station 1.
    drive.Model().SetRegister(0x0300, 1);
    drive.SetFaults({.lateReplies = 1, .lateByMs = 1500});
    uint16_t word = 0;
    EXPECT_FALSE(link.Read_Reg(255, 0x0300, 1, &word));
    link.ClosePort(true);
    ASSERT_EQ(link.OpenPort(drive.Path(), kLinkBaudCode, kLinkProtocolCode), 1);
    ASSERT_TRUE(link.Read_Reg(1, 0x10, 1, &word)) << Error();
    EXPECT_EQ(word, 0x1285);
}

namespace {

class RecordingWindow : public IWindow {
public:
    LRESULT Send(uint32_t message, WPARAM, LPARAM) override {
        Post(message, 0, 0);
        return 0;
    }
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_LINK_LOST && wParam == 0 && lParam == 0) ++linkLost;
    }
    std::atomic<int> linkLost{0};
};

}  // namespace

TEST(Receive, LostLineIsReportedUntilTheLinkCloses) {
    RecordingWindow window;
    auto drive = std::make_unique<sim::VirtualDrive>();
    CHCT_COMM link;
    link.SetMainWindow(&window);
    ASSERT_EQ(link.OpenPort(drive->Path(), kLinkBaudCode, kLinkProtocolCode), 1);
    drive.reset();  // the other end of the line disappears
    for (int i = 0; i < 100 && window.linkLost < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(window.linkLost, 2) << "repeated while the port stays open";
    EXPECT_LE(window.linkLost, 40) << "not as fast as the port can fail";
    uint16_t word = 0;
    EXPECT_FALSE(link.Read_Reg(1, 0, 1, &word));
    EXPECT_EQ(ErrorOf(link), "Comm port read Error !");
    EXPECT_EQ(link.LastFault(), LinkFault{LinkFaultKind::PortLost});
    EXPECT_TRUE(link.ClosePort(true));
    const int afterClose = window.linkLost;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(window.linkLost, afterClose);
}

}  // namespace tarn::test
