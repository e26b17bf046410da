// Section sizes and the drive's settings and state: exact traffic, results and
// messages.
#include <functional>

#include "device/drive_registers.h"
#include "device_fixture.h"

namespace tarn::test {

namespace {

struct SizeRead {
    int16_t (CDeviceCmd::*read)();
    uint16_t address;
    const char* message;
};

struct SizeWrite {
    void (CDeviceCmd::*write)(int16_t);
    uint16_t address;
    const char* message;
};

const SizeRead kReads[] = {
    {&CDeviceCmd::ReadSectionDV_Size, 0xFE08, "ReadSectionDV_Size size error!"},
    {&CDeviceCmd::ReadSectionP_Size, 0xFE0A, "ReadSectionP_Size error!"},
    {&CDeviceCmd::ReadSectionDH_Size, 0xFE0C, "Read Sessoin_DH size error!"},
    {&CDeviceCmd::ReadSectionMV_Size, 0xFE0E, "Read Sessoin_MV size error!"},
    {&CDeviceCmd::ReadSectionX_Size, 0xFE10, "ReadSectionX_Size size error!"},
    {&CDeviceCmd::ReadSectionY_Size, 0xFE12, "ReadSectionY_Size size error!"},
    {&CDeviceCmd::ReadSectionTUD_Size, 0xFE4C, "ReadSectionTUD_Size size error!"},
    {&CDeviceCmd::ReadActualDV_Size, 0xFE4E, "ReadActualDV_Size size error!"},
    {&CDeviceCmd::ReadSectionT_Size, 0xFE50, "ReadSectionT_Size size error!"},
    {&CDeviceCmd::ReadSectionTU_Size, 0xFE52, "ReadSectionTU_Size size error!"},
    {&CDeviceCmd::ReadAutoDV_StartAddr, 0xFE54, "ReadAutoDV_StartAddr error!"},
    {&CDeviceCmd::ReadActualAutoDV_Size, 0xFE56, "Read Actual Auto DV size error!"},
    {&CDeviceCmd::ReadFAT_TableVersion, 0xFE58, "ReadFAT_TableVersion error!"},
};

const SizeWrite kWrites[] = {
    {&CDeviceCmd::WriteSectionDV_Size, 0xFE08, "Write Sessoin_DV size error!"},
    {&CDeviceCmd::WriteSectionP_Size, 0xFE0A, "Write Programe size error!"},
    {&CDeviceCmd::WriteSectionDH_Size, 0xFE0C, "Write Sessoin_DH size error!"},
    {&CDeviceCmd::WriteSectionMV_Size, 0xFE0E, "Write Sessoin_MV size error!"},
    {&CDeviceCmd::WriteSectionX_Size, 0xFE10, "Write Sessoin_X size error!"},
    {&CDeviceCmd::WriteSectionY_Size, 0xFE12, "Write Sessoin_Y size error!"},
    {&CDeviceCmd::WriteActualDV_Size, 0xFE4E, "Write ActualDV size error!"},
    {&CDeviceCmd::WriteSectionT_Size, 0xFE50, "Write Sessoin_T size error!"},
    {&CDeviceCmd::WriteSectionTU_Size, 0xFE52, "Write T+CU size error!"},
    {&CDeviceCmd::WriteAutoDV_StartAddr, 0xFE54, "Write AutoDV_StartAddr error!"},
    {&CDeviceCmd::WriteActualAutoDV_Size, 0xFE56, "Write Actual Auto DV size error!"},
    {&CDeviceCmd::WriteFAT_Version, 0xFE58, "Write FAT Version error!"},
};

std::string Line(const char* format, unsigned a, unsigned b) {
    char line[32];
    std::snprintf(line, sizeof line, format, a, b);
    return line;
}

}  // namespace

TEST_F(DeviceTest, SectionSizesReadAndWriteOneRegisterEach) {
    for (const SizeRead& r : kReads) {
        model->SetRegister(r.address, static_cast<uint16_t>(r.address - 0xFE00));
        EXPECT_EQ((cmd.*r.read)(), r.address - 0xFE00) << r.message;
        EXPECT_EQ(Traffic(), std::vector<std::string>{Line("R %04X %u", r.address, 1)});
    }
    model->SetRegister(0xFE08, 0xFFFF);
    EXPECT_EQ(cmd.ReadSectionDV_Size(), -1);
    Traffic();
    for (const SizeWrite& w : kWrites) {
        (cmd.*w.write)(-2);
        EXPECT_EQ(Traffic(), std::vector<std::string>{Line("W %04X %04X", w.address, 0xFFFE)});
    }
    // The TC register always gets 1024.
    cmd.WriteSectionTC_Size();
    EXPECT_EQ(Traffic(), std::vector<std::string>{"W FE4C 0400"});
}

TEST_F(DeviceTest, SectionSizeFailuresRaiseTheirMessages) {
    RefuseWhen([](const sim::Bytes&) { return true; });
    for (const SizeRead& r : kReads) EXPECT_EQ(Raised([&] { (cmd.*r.read)(); }), r.message);
    for (const SizeWrite& w : kWrites) EXPECT_EQ(Raised([&] { (cmd.*w.write)(1); }), w.message);
    EXPECT_EQ(Raised([&] { cmd.WriteSectionTC_Size(); }), "Write Sessoin_TC size error!");
    EXPECT_EQ(LastError(), "Read Data Length Error ! 5") << "the link's message is kept";
    EXPECT_TRUE(cmd.m_LastFault == (LinkFault{LinkFaultKind::Exception, 2})) << "and its kind";
}

TEST_F(DeviceTest, SettingsWritesInOrder) {
    cmd.ClearP3_08();
    cmd.EnableHiddenParas();
    cmd.ResetP2_08();
    cmd.UnlockAndRunP5_01();
    EXPECT_TRUE(cmd.PrepareParaDownload());
    cmd.EnableP5_01();
    EXPECT_EQ(Traffic(), (std::vector<std::string>{
                             "W 0310 0000", "W 0210 0047", "W 0210 0049", "W 0210 0000",
                             "W 0210 0049", "W 0210 02AB", "W 0502 0000", "W 0210 02AB",
                             "W 0502 0000", "W 0502 000C", "W 0502 0002"}));
    EXPECT_EQ(model->AccessCodes(), (std::vector<uint16_t>{71, 73, 0, 73, 683, 683}));
}

TEST_F(DeviceTest, SettingsFailuresStopAtTheFailedWrite) {
    auto writes = [](uint16_t address, uint16_t value) {
        return [=](const sim::Bytes& f) {
            return f[1] == 0x06 && (f[2] << 8 | f[3]) == address && (f[4] << 8 | f[5]) == value;
        };
    };
    RefuseWhen(writes(0x0210, 71));
    EXPECT_EQ(Raised([&] { cmd.EnableHiddenParas(); }), "Enable Hidden Paras fail!");
    EXPECT_EQ(Traffic().size(), 3u) << "three attempts of the first write, no second write";
    RefuseWhen(writes(0x0210, 73));
    EXPECT_EQ(Raised([&] { cmd.EnableHiddenParas(); }), "Enable Hidden Paras fail!");
    EXPECT_EQ(Raised([&] { cmd.ResetP2_08(); }), "P2-08 set 73  fail!");
    RefuseWhen(writes(0x0210, 0));
    EXPECT_EQ(Raised([&] { cmd.ResetP2_08(); }), "P2-08 set 0 fail!");
    RefuseWhen(writes(0x0210, 683));
    EXPECT_EQ(Raised([&] { cmd.UnlockAndRunP5_01(); }), "Enable Hidden Paras fail!");
    EXPECT_EQ(Raised([&] { cmd.PrepareParaDownload(); }), "Enable Hidden Paras fail!");
    RefuseWhen(writes(0x0502, 0));
    EXPECT_EQ(Raised([&] { cmd.UnlockAndRunP5_01(); }), "683 Run fail!");
    RefuseWhen(writes(0x0502, 2));
    EXPECT_EQ(Raised([&] { cmd.EnableP5_01(); }), "Enable P5-01 2 error!");
    RefuseWhen(writes(0x0310, 0));
    EXPECT_EQ(Raised([&] { cmd.ClearP3_08(); }), "P3_08 Error!");
    // Only the last write of the download preparation fails: no message, false.
    RefuseWhen(writes(0x0502, 12));
    bool prepared = true;
    EXPECT_EQ(Raised([&] { prepared = cmd.PrepareParaDownload(); }), "");
    EXPECT_FALSE(prepared);
}

TEST_F(DeviceTest, ServoStateStationAndParameters) {
    model->SetServoOn(1, true);
    EXPECT_FALSE(cmd.IsServoOn(0));
    EXPECT_TRUE(cmd.IsServoOn(1));
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"R 005C 1", "R 205C 1"}));

    uint16_t station = 0;
    EXPECT_TRUE(cmd.ReadStationNo(&station));
    EXPECT_EQ(station, 1);
    EXPECT_TRUE(cmd.WriteParam(5, 39, 0, 2));
    EXPECT_TRUE(cmd.WriteParam(1, 3, -1, 0));
    uint16_t words[2] = {};
    EXPECT_TRUE(cmd.ReadParam(1, 3, 2, words, 0));
    EXPECT_EQ(words[0], 0xFFFF);
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"R 0300 1", "W 454E 0000", "W 0106 FFFF",
                                                   "R 0106 2"}));

    RefuseWhen([](const sim::Bytes&) { return true; });
    EXPECT_EQ(Raised([&] { cmd.IsServoOn(2); }), "IsServoOn fail!");
    EXPECT_FALSE(cmd.ReadStationNo(&station));
    EXPECT_FALSE(cmd.WriteParam(5, 39, 0, 0));
    EXPECT_FALSE(cmd.ReadParam(0, 0, 1, words, 0));
}

TEST_F(DeviceTest, EveryCallAsksTheStationAfresh) {
    uint16_t station = 0;
    EXPECT_TRUE(cmd.ReadStationNo(&station));
    inst.SetStation(7);  // the drive does not answer station 7
    EXPECT_FALSE(cmd.ReadStationNo(&station));
    const std::string firstFailure = LastError();
    EXPECT_EQ(firstFailure, "Comm port read Error !");
    EXPECT_TRUE(cmd.m_LastFault == LinkFault{LinkFaultKind::TimeOut});
    inst.SetStation(1);
    EXPECT_TRUE(cmd.ReadStationNo(&station));
    EXPECT_EQ(LastError(), firstFailure) << "a success does not clear the last failure";
    const auto requests = drive->Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[1].Station(), 7);
    EXPECT_EQ(requests[4].Station(), 1);
    EXPECT_EQ(inst.GetName(), u"");
    inst.SetName(u"ignored");
    EXPECT_EQ(inst.GetName(), u"");
}

}  // namespace tarn::test
