// Whole configurations to and from the virtual drive: the exact order of the
// traffic, the progress codes, and how failures end a transfer.
#include <algorithm>

#include "config_fixture.h"
#include "device/device_cmd.h"

namespace tarn::test {

namespace {

std::vector<uint16_t> Sequence(size_t n, uint16_t first) {
    std::vector<uint16_t> words(n);
    for (size_t i = 0; i < n; ++i) words[i] = static_cast<uint16_t>(first + i);
    return words;
}

std::vector<std::string> Blocks(char kind, int area, int words, int first = 0, int step = 5) {
    std::vector<std::string> tokens;
    for (int at = 0; at < words; at += step)
        tokens.push_back(std::string(1, kind) + std::to_string(area) + "@" + std::to_string(first + at));
    return tokens;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

}  // namespace

class DownloadTest : public ConfigTest {
protected:
    void SetUp() override {
        ConfigTest::SetUp();
        ASSERT_TRUE(mgr.UploadValues());  // the manager learns the drive's parameters
        cfg.SectionDV_Size.image = 40;
        cfg.SectionP_Size.image = 12;
        cfg.SectionDH_Size.image = 23;
        cfg.SectionMV_Size.image = 4;
        cfg.SectionX_Size.image = 5;
        cfg.SectionY_Size.image = 6;
        cfg.ActualDV_Size.image = 7;
        cfg.ActualAutoDV_Size.image = 3;
        cfg.AutoDV_StartAddr.image = 30;
        cfg.FAT_TableVersion.image = 2;
        cfg.SectionT_Size.image = 8;
        cfg.SectionTU_Size.image = 20;
        cfg.SectionTUD_Size.image = 999;  // the TC register gets 1024 whatever this says
        cfg.DVData = Sequence(7, 0x0D00);
        cfg.AutoDVData = Sequence(3, 0x0A00);
        cfg.ProgramData = Sequence(12, 0x0700);
        cfg.DHData = Sequence(23, 0x0E00);
        cfg.MHData.emplace();
        for (int i = 0; i < 128; ++i) (*cfg.MHData)[i] = static_cast<uint16_t>(0x0B00 + i);
        Traffic();
    }
    void SelectAll(bool on) {
        cfg.DownloadSizes = cfg.DownloadProgramDV = cfg.DownloadDH = cfg.DownloadMH = cfg.DownloadPara = on;
    }
};

TEST_F(DownloadTest, EverySelectionInItsOrder) {
    SelectAll(true);
    ASSERT_TRUE(cfg.DownloadToDevice(&recorder)) << (recorder.boxes.empty() ? "" : recorder.boxes[0]);
    std::vector<std::string> expected = {"W0310=0", "W0210=71", "W0210=73",
                                         // parameters
                                         "W0210=683", "W0502=0", "W0502=12", "F67", "R0000", "R0500",
                                         "R005C", "R205C", "R405C", "M0000", "M2000", "M4000", "M0002",
                                         "M2002", "M4002", "M0100", "M2100", "M4100",
                                         // sizes
                                         "WFE08=40", "WFE0A=12", "WFE0C=23", "WFE0E=4", "WFE10=5",
                                         "WFE12=6", "WFE4C=1024", "WFE4E=7", "WFE56=3", "WFE54=30",
                                         "WFE58=2", "WFE50=8", "WFE52=20", "W0210=683", "W0502=0",
                                         "W0502=2"};
    Append(expected, Blocks('D', 1, 7));
    Append(expected, Blocks('D', 1, 3, 30));
    Append(expected, Blocks('D', 7, 12));
    Append(expected, Blocks('D', 0, 23));
    Append(expected, Blocks('D', 2, 128));
    Append(expected, {"W0210=683", "W0502=0", "R0504"});
    EXPECT_EQ(Traffic(), expected);
    EXPECT_EQ(recorder.progress, (std::vector<int>{2, 5, 15, 30, 50, 70, 85, 100}));
    EXPECT_TRUE(recorder.boxes.empty());

    // The Program went with the checksum of DV and Auto DV in its last two words.
    CCfgExchange folded;
    folded.DVData = cfg.DVData;
    folded.ActualDV_Size = cfg.ActualDV_Size;
    folded.AutoDVData = cfg.AutoDVData;
    folded.ActualAutoDV_Size = cfg.ActualAutoDV_Size;
    folded.SectionP_Size = cfg.SectionP_Size;
    folded.ProgramData = Sequence(12, 0x0700);
    folded.FoldProgramChecksum();
    EXPECT_EQ(model->Area(kAreaProgram), *folded.ProgramData);
    const auto dv = model->Area(kAreaDV);
    EXPECT_EQ(std::vector<uint16_t>(dv.begin() + 30, dv.begin() + 33), Sequence(3, 0x0A00));
    EXPECT_EQ(model->Area(kAreaMH).size(), 128u);
}

TEST_F(DownloadTest, NothingSelectedStillUnlocksAndRuns) {
    SelectAll(false);
    EXPECT_TRUE(cfg.DownloadToDevice(&recorder));
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"W0310=0", "W0210=71", "W0210=73", "W0210=683", "W0502=0"}));
    EXPECT_EQ(recorder.progress, std::vector<int>{100});
}

TEST_F(DownloadTest, FailuresEndTheSequence) {
    SelectAll(true);
    model->ProtectRegister(0xFE0C);
    EXPECT_FALSE(cfg.DownloadToDevice(&recorder));
    EXPECT_EQ(recorder.boxes, std::vector<std::string>{"Write Sessoin_DH size error!"});
    EXPECT_EQ(recorder.progress, (std::vector<int>{2, 5}));

    // A running servo fails the parameters: -2 and no message box.
    Start(SmallDrive());
    ASSERT_TRUE(mgr.UploadValues());
    model->SetServoOn(0, true);
    recorder.progress.clear();
    recorder.boxes.clear();
    EXPECT_FALSE(cfg.DownloadToDevice(&recorder));
    EXPECT_EQ(recorder.progress, (std::vector<int>{2, -2}));
    EXPECT_TRUE(recorder.boxes.empty());

    // A drive that never reports ready.
    model->SetServoOn(0, false);
    model->HoldReadyLow(true);
    cfg.DownloadPara = false;
    recorder.progress.clear();
    EXPECT_FALSE(cfg.DownloadToDevice(&recorder));
    EXPECT_EQ(recorder.boxes, std::vector<std::string>{"Download Fail(P5_02)!"});
    EXPECT_EQ(recorder.progress.back(), 85);

    // A key the drive cannot hold: refused before anything is sent.
    cfg.MachineKey = u"ABCDEFGHIJK";
    Traffic();
    recorder.boxes.clear();
    EXPECT_FALSE(cfg.DownloadToDevice(&recorder));
    EXPECT_EQ(recorder.boxes, std::vector<std::string>{"Machine key is longer than 10 bytes!"});
    EXPECT_TRUE(Traffic().empty());
}

TEST_F(ConfigTest, UploadReadsSizesAndTheIncludedContents) {
    cfg.IncludeDH = cfg.IncludeMH = cfg.IncludePara = 1;
    std::vector<int> progress;
    auto record = [](void* context, int code) { static_cast<std::vector<int>*>(context)->push_back(code); };
    ASSERT_TRUE(cfg.UploadFromDevice(record, &progress));
    EXPECT_TRUE(cfg.DataValid);
    EXPECT_EQ(progress, (std::vector<int>{2, 5, 50, 60, 80, 100}));
    EXPECT_EQ(cfg.SectionDH_Size.image, 23);
    EXPECT_EQ(cfg.SectionTU_Size.image, 20);
    EXPECT_EQ(cfg.SectionTUD_Size.image, 300);
    EXPECT_EQ(*cfg.DHData, model->Area(kAreaDH));
    EXPECT_EQ(std::vector<uint16_t>(cfg.MHData->begin(), cfg.MHData->end()), model->Area(kAreaMH));
    EXPECT_EQ(*cfg.DVData, std::vector<uint16_t>(7, 0)) << "DV contents come only from a source";
    EXPECT_EQ(mgr.Items(1)[0].GetValue(2), 3);
    const auto traffic = Traffic();
    std::vector<std::string> blocks;
    std::copy_if(traffic.begin(), traffic.end(), std::back_inserter(blocks),
                 [](const std::string& t) { return t[0] == 'U'; });
    std::vector<std::string> expected = Blocks('U', 0, 23, 0, 10);
    Append(expected, Blocks('U', 2, 128, 0, 10));
    EXPECT_EQ(blocks, expected);
    EXPECT_EQ(cfg.SectionDH_Size.drive, 0) << "the drive halves are not touched";
}

TEST_F(ConfigTest, UploadWithoutContentsAndItsRefusals) {
    cfg.DataValid = true;
    cfg.IncludeProgramDV = 1;  // no Program source is ever attached
    EXPECT_FALSE(cfg.UploadFromDevice(nullptr, nullptr));
    EXPECT_TRUE(cfg.DataValid) << "refused before anything changes";
    EXPECT_TRUE(Traffic().empty());

    cfg.IncludeProgramDV = 0;
    ASSERT_TRUE(cfg.UploadFromDevice(nullptr, nullptr));
    EXPECT_EQ(*cfg.DHData, std::vector<uint16_t>(23, 0)) << "DH size read, words left zero";
    for (const auto& t : Traffic()) EXPECT_NE(t[0], 'U');

    model->SetRegister(0xFE0C, 0xFFFF);  // a DH size that reads negative
    EXPECT_FALSE(cfg.UploadFromDevice(nullptr, nullptr));
    EXPECT_FALSE(cfg.DataValid);
}

TEST_F(ConfigTest, DeviceSizesGoIntoTheDriveHalves) {
    cfg.SectionDH_Size.image = 7;
    ASSERT_TRUE(cfg.ReadDeviceSizes());
    EXPECT_EQ(cfg.SectionDH_Size.drive, 23);
    EXPECT_EQ(cfg.SectionDH_Size.image, 7);
    EXPECT_EQ(cfg.FAT_TableVersion.drive, 2);
    model->ProtectRegister(0x0310);
    EXPECT_FALSE(cfg.ReadDeviceSizes());
    EXPECT_TRUE(recorder.boxes.empty()) << "silent";
}

}  // namespace tarn::test
