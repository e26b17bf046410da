// The way back around a download: the snapshot taken before the first write,
// the restore of the last snapshot, and the service history every transfer
// leaves.
#include <fstream>

#include "app/service_history.h"
#include "dialog_fixture.h"
#include "params/para_mgr.h"
#include "platform/wide_string.h"

namespace tarn::test {

namespace {

class SafetyTest : public DialogTest {
protected:
    void Download(const std::filesystem::path& image) {
        Load(image);
        ASSERT_TRUE(DialogTest::Download());
    }
    uint16_t Param(int group, int item, int axis) {
        uint16_t words[2] = {};
        model->ReadRegisters(ParaAddress(group, item, axis), 2, words);
        return words[0];
    }
    void SetParam(int group, int item, int axis, uint16_t value) {
        const uint16_t words[2] = {value, 0};
        model->WriteRegisters(ParaAddress(group, item, axis), 2, words);
    }
    std::vector<std::string> Operations() {
        std::vector<std::string> names;
        for (const auto& r : ServiceHistory(dir / "data").Read().records)
            names.push_back(r["operation"].get<std::string>() + " " + r["result"].get<std::string>());
        return names;
    }
};

}  // namespace

TEST_F(SafetyTest, ASnapshotBeforeTheDownloadIsTheWayBack) {
    StartOnline();
    const auto image = dir / "a.tkw";
    Upload(image);  // every parameter as the drive holds it now
    SetParam(1, 5, 0, 77);
    SetParam(0, 2, 2, 55);

    dlg->SetDownloadSafety({true, std::nullopt, false});
    Download(image);
    ASSERT_TRUE(dlg->LastDownload().Finished()) << ToUtf8(dlg->LastDownload().message);
    ASSERT_TRUE(dlg->LastSnapshotTaken());
    const std::filesystem::path snapshot = *dlg->LastSnapshotTaken();
    EXPECT_EQ(snapshot.parent_path(), dir / "data" / "snapshots");
    EXPECT_EQ(Param(1, 5, 0), 1);
    EXPECT_EQ(Param(0, 2, 2), 3);

    // The undo: the last snapshot of this drive, downloaded.
    dlg->SetDownloadSafety({});
    view->answers = {IDYES};
    dlg->OnSysCommand(IDM_RESTORE_SNAPSHOT);
    ASSERT_TRUE(view->PumpUntil([&] { return !dlg->IsBusy(); }));
    EXPECT_TRUE(dlg->LastDownload().Finished()) << ToUtf8(dlg->LastDownload().message);
    EXPECT_EQ(Param(1, 5, 0), 77);
    EXPECT_EQ(Param(0, 2, 2), 55);

    const auto records = ServiceHistory(dir / "data").Read().records;
    ASSERT_EQ(Operations(), (std::vector<std::string>{"upload finished", "download finished", "download finished"}));
    EXPECT_EQ(records[1]["snapshot"], snapshot.string());
    EXPECT_EQ(records[1]["image"], image.string());
    EXPECT_EQ(records[1]["imageSha256"].get<std::string>().size(), 64u);
    EXPECT_EQ(records[2]["image"], records[1]["snapshot"]) << "the restore downloaded the snapshot";
    EXPECT_EQ(records[1]["identity"], (nlohmann::ordered_json{3, 6, 5}));
}

TEST_F(SafetyTest, NoSnapshotNoWrite) {
    StartOnline();
    const auto image = dir / "a.tkw";
    Upload(image);
    std::ofstream(dir / "file") << "x";
    dlg->SetDownloadSafety({true, dir / "file" / "snap.tkw", false});  // cannot be saved below a file
    drive->ClearRequests();
    Download(image);
    EXPECT_EQ(dlg->LastDownload().result, TransferOutcome::Result::NotStarted);
    ASSERT_EQ(view->boxes.size(), 1u);
    EXPECT_NE(view->boxes[0].find("Nothing was written to the drive."), std::string::npos);
    for (const std::string& request : Traffic()) {
        const bool accessWrite = request.rfind("W 0310", 0) == 0 || request.rfind("W 0210", 0) == 0 ||
                                 request.rfind("W 0502", 0) == 0;
        const bool write = request.rfind("W ", 0) == 0 || request[0] == 'M' || request[0] == 'D';
        EXPECT_TRUE(!write || accessWrite) << "only the read's own access writes: " << request;
    }
}

// Compare from the window's menu, and verify after a download: a drive that
// matches, one parameter changed, a drive that drops the block writes.
TEST_F(SafetyTest, CompareAndVerifyFromTheWindow) {
    StartOnline();
    const auto image = dir / "a.tkw";
    Upload(image);
    Load(image);
    auto compare = [&] {
        host.tables.clear();
        dlg->OnSysCommand(IDM_COMPARE_DRIVE);
        EXPECT_TRUE(view->PumpUntil([&] { return !dlg->IsBusy() && !host.tables.empty(); }));
        return host.tables.empty() ? TableReport{} : host.tables.back();
    };
    TableReport same = compare();
    EXPECT_TRUE(same.rows.empty());
    EXPECT_EQ(ToUtf8(same.summary).rfind("Nothing differs", 0), 0u) << ToUtf8(same.summary);

    SetParam(1, 5, 0, 77);
    const TableReport changed = compare();
    ASSERT_EQ(changed.rows.size(), 1u);
    EXPECT_EQ(changed.rows[0], (std::vector<std::u16string>{u"P1-05", u"x", u"1", u"77"}));

    // Verify after download: the parameter written back reads back; DH blocks
    // the drive drops do not.
    dlg->OnSysCommand(IDM_VERIFY_AFTER);
    EXPECT_TRUE(dlg->Safety().verify);
    EXPECT_EQ(profile.GetProfileInt(u"Service", u"VerifyAfterDownload", 0), 1) << "remembered";
    model->SetArea(0, std::vector<uint16_t>(20, 0));
    Download(image);
    EXPECT_TRUE(dlg->LastDownload().Finished()) << ToUtf8(dlg->LastDownload().message);
    EXPECT_EQ(Log().back(), "Verified");

    sim::Faults faults;
    faults.lostBlockWrites = -1;
    drive->SetFaults(faults);
    model->SetArea(0, std::vector<uint16_t>(20, 0));
    view->boxes.clear();
    Download(image);
    EXPECT_EQ(dlg->LastDownload().result, TransferOutcome::Result::Failed);
    EXPECT_EQ(Log().back(), "Verify failed");
    ASSERT_EQ(view->boxes.size(), 1u);
    EXPECT_NE(view->boxes[0].find("DH"), std::string::npos) << view->boxes[0];
    const auto records = ServiceHistory(dir / "data").Read().records;
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records.back()["result"], "failed");
    EXPECT_GE(records.back()["differences"].get<int>(), 1);
    EXPECT_EQ(records[1]["operation"], "compare");
}

TEST_F(SafetyTest, ADamagedHistoryLineIsSkippedWithAWarning) {
    StartOnline();
    std::filesystem::create_directories(dir / "data");
    std::ofstream(dir / "data" / "history.jsonl") << "{not json\n";
    Upload(dir / "a.tkw");
    const auto entries = ServiceHistory(dir / "data").Read();
    EXPECT_EQ(entries.records.size(), 1u);
    ASSERT_EQ(entries.warnings.size(), 1u);
    EXPECT_NE(entries.warnings[0].find("line 1"), std::string::npos);
}

TEST_F(SafetyTest, AHistoryThatCannotBeWrittenIsSaidOnceAndStopsNothing) {
    std::ofstream(dir / "file") << "x";
    dataFolder = dir / "file" / "data";  // below a file: cannot be made
    StartOnline();
    Upload(dir / "b.tkw");
    Upload(dir / "c.tkw");
    EXPECT_TRUE(dlg->LastUpload().Finished());
    ASSERT_EQ(view->boxes.size(), 1u);
    EXPECT_EQ(view->boxes[0].rfind("The service history cannot be written", 0), 0u);
}

}  // namespace tarn::test
