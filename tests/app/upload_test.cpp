// The upload dialog: the read's log, the size report and the saved image.
#include <filesystem>

#include "dialog_fixture.h"
#include "image/image_file.h"
#include "platform/wide_string.h"

namespace tarn::test {

namespace {

std::vector<std::string> Tail(const std::vector<std::string>& lines, size_t n) {
    return std::vector<std::string>(lines.end() - static_cast<long>(std::min(n, lines.size())), lines.end());
}

class UploadTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        StartOnline();
    }
    // Runs "Generate *.tkw" with the given boxes and target file.
    void Generate(bool dh, bool mh, bool para, const std::filesystem::path& target) {
        host.uploadScript = [=](RecordingView& upload, CDlgToolkitUpload& dialog) {
            upload.checked[IDC_CHK_DH] = dh;
            upload.checked[IDC_CHK_MH] = mh;
            upload.checked[IDC_CHK_PARA] = para;
            upload.saveAs = FromUtf8(target.string());
            dialog.OnBnClickedUpload();
        };
        dlg->OnBnClickedGenerate();
    }
};

}  // namespace

TEST_F(UploadTest, EverythingTickedLogsReportsAndSaves) {
    const auto target = dir / "out.tkw";
    Generate(true, true, true, target);
    const std::vector<std::string> expected = {
        "Read data from DUT...", "Reading parameter from DUT...", "Reading \"DH\" from DUT...",
        "Reading \"MH\" from DUT...", "Reading finished.", "=================", "P0-00 ~ P0-02",
        "P1-00 ~ P1-19", "DH size: 20(Words)", "MV size: 4(Words)", "X size: 5(Words)",
        "Y size: 6(Words)", "T size: 100(x2 Words)", "CU size: 20(x2 Words)", "CD size: 30(x2 Words)",
        "Auto DV Addr: 30", "", "Saving data to \"" + target.string() + "\"...", "Finished!"};
    EXPECT_EQ(host.uploadLog, expected);

    CCfgExchange loaded;
    CParaMgr mgr;
    loaded.ParaMgr = &mgr;
    CDevInfo info;
    ASSERT_TRUE(ReadImageFile(FromUtf8(target.string()), info, loaded).ok());
    EXPECT_EQ(*loaded.DHData, std::vector<uint16_t>(20, 0xD1));
    EXPECT_EQ(mgr.GroupCount(), 2);
    EXPECT_EQ(info.m_wIdent2, 6);
}

TEST_F(UploadTest, OnlyMHAndASaveThatFails) {
    Generate(false, true, false, dir / "no-such-folder" / "out.tkw");
    const auto& log = host.uploadLog;
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 4),
              (std::vector<std::string>{"Read data from DUT...", "Reading \"MH\" from DUT...", "Reading finished.",
                                        "================="}));
    EXPECT_EQ(log[4], "MV size: 4(Words)") << "no group lines, no DH line";
    EXPECT_EQ(Tail(log, 2), (std::vector<std::string>{"No such file or directory", "Fail!"}))
        << "the operating system's reason on its own line";
    EXPECT_EQ(host.uploadBoxes, std::vector<std::string>{"Fail!"});
}

TEST_F(UploadTest, ClosingDuringTheReadEndsTheDialogOnceTheImageIsSaved) {
    const auto target = dir / "out.tkw";
    IDialogView::SaveFileOptions options;
    host.uploadScript = [&](RecordingView& upload, CDlgToolkitUpload& dialog) {
        upload.saveAs = FromUtf8(target.string());
        dialog.OnOK();  // Enter presses Upload, the default button
        options = upload.saveOptions;
        dialog.OnCancel();
        EXPECT_FALSE(upload.ended) << "the read runs";
    };
    dlg->OnBnClickedGenerate();
    EXPECT_TRUE(options.hideReadOnly && options.confirmOverwrite);
    EXPECT_TRUE(host.uploadEnded);
    ASSERT_GE(host.uploadLog.size(), 2u);
    EXPECT_EQ(host.uploadLog[1], "Closing when the upload has ended...");
    EXPECT_EQ(host.uploadLog.back(), "Finished!");
    EXPECT_TRUE(std::filesystem::exists(target));
}

}  // namespace tarn::test
