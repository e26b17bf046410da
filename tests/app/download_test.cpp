// The download from the main dialog: loading the image, the checks before the
// write, the write's log, and every way it stops.
#include <fstream>

#include "dialog_fixture.h"
#include "tests/common/gate_clock.h"
#include "tests/common/sample_image.h"
#include "image/image_file.h"
#include "platform/wide_string.h"

namespace tarn::test {

namespace {

// An image of the standard drive with the Program part, DH and MH.
class DownloadTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        path = FromUtf8((dir / "drive.tkw").string());
        ASSERT_TRUE(WriteSampleImage(dir / "drive.tkw", 30, true));  // DH larger than the drive's 20
        StartOnline();
        drive->ClearRequests();
    }
    void TearDown() override {
        gate.Release();
        DialogTest::TearDown();
    }
    void ChooseImage() { Load(dir / "drive.tkw"); }
    std::u16string path;
    GateClock gate;  // holds the burn's ready wait where a test needs it
};

int P5Writes(const std::vector<std::string>& traffic) {
    int n = 0;
    for (const auto& line : traffic)
        for (const char* a : {"054E", "0576", "05B0", "254E", "2576", "25B0", "454E", "4576", "45B0"})
            n += line == std::string("W ") + a + " 0000";
    return n;
}

}  // namespace

TEST_F(DownloadTest, LoadTicksTheContentsAndTheWriteLogsEveryStage) {
    ChooseImage();
    EXPECT_TRUE(view->checked[IDC_CHK_PROGRAM] && view->enabled[IDC_CHK_PROGRAM]);
    EXPECT_TRUE(view->checked[IDC_CHK_MH]);
    EXPECT_FALSE(view->enabled[IDC_CHK_PARA]) << "the image holds no parameters";
    EXPECT_EQ(view->texts[IDC_PART_NUMBER], u"PN-7 (Machine key=xxxx)");
    const std::string shown = ToUtf8(path);
    ASSERT_TRUE(Download());
    EXPECT_EQ(host.confirms, 1);
    EXPECT_TRUE(view->boxes.empty()) << "no DH question with the sections ticked";
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "Read data from \"" + shown + "\"...", "Load " + shown + " ...finished!",
                         "Write data to DUT...", "Writing \"Section size configuration\"...",
                         "Writing \"DV\"...", "Writing \"Program\"...", "Writing \"DH\"...",
                         "Writing \"MH\"...", "Burning and verifying...", "Finished.",
                         "=================", "Finished!"}));
    EXPECT_EQ(P5Writes(Traffic()), 9);
    EXPECT_EQ(model->Area(0), std::vector<uint16_t>(30, 7));
    EXPECT_TRUE(view->enabled[IDC_DOWNLOAD]) << "the buttons come back after the write";
    EXPECT_FALSE(view->shown[IDC_PROGRESS]);
}

TEST_F(DownloadTest, DuringTheReadyWaitTheImageStaysAndClosingWaitsForTheEnd) {
    ChooseImage();
    dlg->m_CmdImpl.GetCmd()->SetClock(&gate);
    gate.HoldSleepsOf(200);  // the ready bit's polls
    dlg->OnBnClickedDownload();
    ASSERT_TRUE(view->PumpUntil([&] { return gate.Holding(); })) << "the worker is in the ready wait";
    EXPECT_FALSE(view->enabled[IDC_FILE]);
    dlg->OnEnChangeFile();  // the field changed anyway: the loaded image must stay
    dlg->OnCancel();
    EXPECT_FALSE(view->ended);
    gate.Release();
    ASSERT_TRUE(view->PumpUntil([&] { return view->ended; }));
    const auto log = Log();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[0], "Read data from \"" + ToUtf8(path) + "\"...") << "the log was not emptied";
    EXPECT_EQ(std::vector<std::string>(log.end() - 5, log.end()),
              (std::vector<std::string>{"Burning and verifying...", "Closing when the transfer has ended...",
                                        "Finished.", "=================", "Finished!"}));
    EXPECT_TRUE(view->enabled[IDC_FILE]);
}

TEST_F(DownloadTest, RefusalsBeforeTheWrite) {
    ChooseImage();
    host.confirmAnswer = IDCANCEL;
    dlg->OnBnClickedDownload();
    EXPECT_EQ(P5Writes(Traffic()), 0) << "cancelled: nothing written";

    // Only DH ticked and the image's DH larger than the drive's: the question.
    view->checked[IDC_CHK_PROGRAM] = false;
    view->answers = {IDNO};
    dlg->OnBnClickedDownload();
    ASSERT_EQ(view->boxes.size(), 1u);
    EXPECT_EQ(view->boxes[0].substr(0, 2), "DH");
    EXPECT_FALSE(dlg->IsBusy());
    EXPECT_EQ(Log().back(), "Load " + ToUtf8(path) + " ...finished!") << "no write started";

    GetCfgExchange().DataValid = false;
    view->answers = {IDYES};
    view->boxes.clear();
    dlg->OnBnClickedDownload();
    ASSERT_EQ(view->boxes.size(), 2u) << "the DH question, answered Yes, then the refusal";
    EXPECT_EQ(view->boxes[0].substr(0, 2), "DH");
    EXPECT_EQ(view->boxes[1], "No valid data to write!");
}

TEST_F(DownloadTest, AnotherMachineIsRefusedAfterTheP5Writes) {
    dlg->m_DriveInfo.m_wIdent3 = 6;  // the drive read as 3, 6, 6
    ChooseImage();
    dlg->OnBnClickedDownload();
    EXPECT_EQ(view->boxes, std::vector<std::string>{"Machine is not match!"});
    EXPECT_EQ(P5Writes(Traffic()), 9);
    EXPECT_FALSE(dlg->IsBusy());
}

TEST_F(DownloadTest, AFailedStepShowsItsMessageThenFail) {
    model->ProtectRegister(0xFE0C);
    ChooseImage();
    ASSERT_TRUE(Download());
    EXPECT_EQ(view->boxes, std::vector<std::string>{"Write Sessoin_DH size error!"});
    const auto log = Log();
    EXPECT_EQ(log.back(), "Fail!");
    EXPECT_EQ(log[log.size() - 2], "Writing \"Section size configuration\"...");
    EXPECT_TRUE(view->shown[IDC_PROGRESS]) << "left at its last position";
}

TEST_F(DownloadTest, RefusedImagesShowTheContainerMessage) {
    std::ofstream(dir / "short.tkw") << "IASH0123456";
    Load(dir / "short.tkw");
    EXPECT_EQ(view->boxes, std::vector<std::string>{"The Content is error"});
    EXPECT_FALSE(dlg->m_bImageLoaded);
    EXPECT_FALSE(view->enabled[IDC_CHK_DH]);
}

}  // namespace tarn::test

namespace tarn::test {

// Whatever the upload dialog does after the image was loaded (a backup, the
// careful technician's way; a cancelled save; a read that fails), Download
// writes the loaded image.
TEST_F(DownloadTest, AnUploadAfterTheLoadLeavesTheLoadedImageToDownload) {
    struct Case {
        const char* name;
        std::optional<std::string> saveAs;  // none: the save dialog is cancelled
        bool readFails;
        TransferOutcome::Result upload;
    };
    const Case cases[] = {{"backup", "backup.tkw", false, TransferOutcome::Result::Finished},
                          {"cancelled save", std::nullopt, false, TransferOutcome::Result::Declined},
                          {"failed read", "failed.tkw", true, TransferOutcome::Result::Failed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model->SetArea(0, std::vector<uint16_t>(20, 0xD1));
        ChooseImage();
        if (c.readFails) model->ProtectRegister(0x0310);  // P3-08 refuses the read's first write
        host.uploadScript = [&](RecordingView& upload, CDlgToolkitUpload& dialog) {
            if (c.saveAs) upload.saveAs = FromUtf8((dir / *c.saveAs).string());
            dialog.OnBnClickedUpload();
        };
        dlg->OnBnClickedGenerate();
        EXPECT_EQ(dlg->LastUpload().result, c.upload);
        EXPECT_EQ(view->texts[IDC_PART_NUMBER], u"PN-7 (Machine key=xxxx)");
        EXPECT_TRUE(view->checked[IDC_CHK_PROGRAM] && view->checked[IDC_CHK_DH]) << "the boxes stay";
        if (c.readFails) model->UnprotectRegister(0x0310);
        ASSERT_TRUE(Download());
        EXPECT_TRUE(dlg->LastDownload().Finished()) << ToUtf8(dlg->LastDownload().message);
        EXPECT_EQ(model->Area(0), std::vector<uint16_t>(30, 7)) << "the image's DH, not the drive's";
        const auto dv = model->Area(1);
        ASSERT_GE(dv.size(), 2u);
        EXPECT_EQ(std::vector<uint16_t>(dv.begin(), dv.begin() + 2), (std::vector<uint16_t>{1, 2}));
    }
}

// An image loaded after one with a part number and a machine key, but with
// neither: nothing of the first stays, in the label or in the configuration.
TEST_F(DownloadTest, ALaterImageLeavesNothingOfTheEarlierOne) {
    ChooseImage();
    CCfgExchange plain;
    CParaMgr noParams;
    plain.ParaMgr = &noParams;
    CDevInfo identity;
    identity.SetDefaults();
    const std::u16string second = FromUtf8((dir / "plain.tkw").string());
    ASSERT_TRUE(WriteImageFile(second, identity, plain));
    Load(dir / "plain.tkw");
    EXPECT_EQ(view->texts[IDC_PART_NUMBER], u"");
    EXPECT_TRUE(dlg->Configuration().MachineKey.empty()) << "a later Program download would use no key";
    EXPECT_EQ(dlg->Configuration().SectionDH_Size.image, 0);

    // A field that names no image: nothing is loaded, and a Download loads before it writes.
    Load(dir / "missing.tkw");
    EXPECT_FALSE(dlg->ImageLoaded());
    ASSERT_TRUE(Download());
    EXPECT_EQ(dlg->LastDownload().result, TransferOutcome::Result::NotStarted);
    EXPECT_TRUE(Traffic().empty()) << "nothing written";
}

}  // namespace tarn::test
