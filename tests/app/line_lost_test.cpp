// A drive that goes off the line in the middle of a transfer: the transfer
// fails within the link's time-outs with the stage it had reached in the log;
// the link-lost notice changes nothing (the button still says "Online"), so one
// press closes the dead port and, once the bridge is back, the next connects
// again, all in the same dialog.
#include <filesystem>

#include "dialog_fixture.h"
#include "platform/wide_string.h"

namespace tarn::test {

namespace {

namespace fs = std::filesystem;

bool IsStageLine(const std::string& line) {
    return line.starts_with("Writing \"") || line.starts_with("Reading ") || line == "Burning and verifying...";
}

// The drive is reached through a link, as /dev/serial/by-id names a bridge, so
// that a replugged drive is found under the same name.
class LineLostTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        bridge = dir / "bridge";
        fs::create_symlink(drive->Path(), bridge);
        StartDialog(false);
        ASSERT_GT(dlg->UsePort(FromUtf8(bridge.string())), 0);
        PressOnline();
        ASSERT_TRUE(dlg->m_bOnline);
    }
    void Replug() {
        StartDrive(StandardDrive());
        fs::remove(bridge);
        fs::create_symlink(drive->Path(), bridge);
    }
    // Loads the image and downloads it; false when the write does not end in time.
    bool Download(const fs::path& image) {
        Load(image);
        return DialogTest::Download(20000);
    }

    fs::path bridge;
};

}  // namespace

TEST_F(LineLostTest, ATransferCutAnywhereFailsAndOnlineConnectsAgain) {
    const fs::path image = dir / "full.tkw";
    ASSERT_EQ(Upload(image).back(), "Finished!");  // learns the parameter definitions
    drive->ClearRequests();
    ASSERT_EQ(Upload(image).back(), "Finished!");
    const size_t uploadRequests = drive->Requests().size();
    drive->ClearRequests();
    ASSERT_TRUE(Download(image));
    ASSERT_EQ(Log().back(), "Finished!");
    const size_t downloadRequests = drive->Requests().size();

    struct Cut {
        bool upload;
        double at;  // share of the transfer's requests answered before the drive goes
    };
    for (const Cut cut : {Cut{true, 0.2}, Cut{true, 0.5}, Cut{true, 0.9}, Cut{false, 0.3}, Cut{false, 0.6},
                          Cut{false, 0.95}}) {
        SCOPED_TRACE((cut.upload ? "upload cut at " : "download cut at ") + std::to_string(cut.at));
        const size_t total = cut.upload ? uploadRequests : downloadRequests;
        drive->VanishAfter(static_cast<int>(total * cut.at));
        std::vector<std::string> log;
        if (cut.upload) {
            log = Upload(dir / "cut.tkw");
            EXPECT_FALSE(fs::exists(dir / "cut.tkw")) << "nothing saved from a failed read";
        } else {
            ASSERT_TRUE(Download(image)) << "the write hangs";
            log = Log();
        }
        EXPECT_TRUE(drive->Vanished());
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log.back(), "Fail!");
        EXPECT_TRUE(IsStageLine(log[log.size() - 2]) || log[log.size() - 2].ends_with("...FAIL!"))
            << log[log.size() - 2];
        EXPECT_TRUE(dlg->m_bOnline) << "the link-lost notice gets no reaction";
        PressOnline();
        EXPECT_FALSE(dlg->m_bOnline);

        Replug();
        PressOnline();
        EXPECT_TRUE(dlg->m_bOnline) << "connects again without a restart";
        EXPECT_EQ(ToUtf8(view->texts[IDC_ONLINE]), "Online");
    }
}

}  // namespace tarn::test
