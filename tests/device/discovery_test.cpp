// Parameter-group discovery: group counts, capacities and definition records.
#include "device_fixture.h"
#include "link/link_packet.h"

namespace tarn::test {

namespace {

sim::DriveDescription Groups(int ordinary, int further) {
    sim::DriveDescription d;
    for (int g = 0; g < ordinary; ++g) d.groups.push_back({g, std::vector<sim::ParameterItem>(g + 1)});
    for (int g = 1; g <= further; ++g) d.groups.push_back({-g, std::vector<sim::ParameterItem>(4)});
    return d;
}

}  // namespace

TEST_F(DeviceTest, GroupCounts) {
    int ordinary = 0, extra = 0, flag = 0;
    Start(Groups(5, 3));  // 0x0305
    EXPECT_TRUE(cmd.ReadParaGroupNum(&ordinary, &extra, &flag));
    EXPECT_EQ(ordinary, 5);
    EXPECT_EQ(extra, 2);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Traffic(), std::vector<std::string>{"R FE02 2"});
    Start(Groups(5, 2));  // 0x0205
    EXPECT_TRUE(cmd.ReadParaGroupNum(&ordinary, &extra, &flag));
    EXPECT_EQ(extra, 2);
    EXPECT_EQ(flag, 0);
    RefuseWhen([](const sim::Bytes&) { return true; });
    EXPECT_EQ(Raised([&] { cmd.ReadParaGroupNum(&ordinary, &extra, &flag); }),
              "ReadParaGroupNum error!");
}

TEST_F(DeviceTest, GroupCapacities) {
    Start(Groups(3, 2));
    EXPECT_EQ(cmd.GetParaGoupCap(2), 3);
    EXPECT_EQ(cmd.GetParaGoupCap(-2), 4);
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"W FE04 0002", "R FE06 1", "W FE04 FFFE",
                                                   "R FE06 1"}));
    model->ProtectRegister(0xFE04);
    EXPECT_EQ(Raised([&] { cmd.GetParaGoupCap(1); }), "GetParaGoupCap write Error!");
    EXPECT_EQ(Traffic().size(), 3u) << "no read after a failed write";
    Start(Groups(3, 2));
    RefuseWhen([](const sim::Bytes& f) { return f[1] == 0x03; });
    EXPECT_EQ(Raised([&] { cmd.GetParaGoupCap(1); }), "GetParaGoupCap read Error!");
    // A capacity register of 0xFFFF reads as -1.
    drive->SetReplyHook([](const sim::LoggedRequest& r, const sim::Bytes& normal) -> std::optional<sim::Bytes> {
        if (r.Function() != 0x03) return std::nullopt;
        sim::Bytes reply{normal[0], 0x03, 0x02, 0xFF, 0xFF};
        sim::AppendFrameCrc(reply);
        return WrapLinkPacket(kLinkTypeRtuResponse, reply);
    });
    EXPECT_EQ(cmd.GetParaGoupCap(1), -1);
}

TEST_F(DeviceTest, DefinitionRecords) {
    sim::DriveDescription d = Groups(1, 1);
    d.groups[1].items[3].record = {1, 0, 2, 3, 4, 10, 0x0008, 7};  // bit 3 of word 6
    d.groups[0].items[0].record = {9, 8, 7, 6, 5, 4, 0x0007, 2};
    Start(d);
    uint16_t record[16] = {};
    EXPECT_TRUE(cmd.ReadParaCfg(-1, 3, record));
    EXPECT_EQ(record[1], 0xFFFF);
    EXPECT_EQ(record[5], 9);
    EXPECT_EQ(record[7], 7);
    EXPECT_TRUE(cmd.ReadParaCfg(0, 0, record));
    EXPECT_EQ(record[1], 8) << "without bit 3 the words stay";
    EXPECT_EQ(record[5], 4);
    EXPECT_EQ(Traffic(), (std::vector<std::string>{"C FF03", "C 0000"}));
    RefuseWhen([](const sim::Bytes&) { return true; });
    EXPECT_EQ(Raised([&] { cmd.ReadParaCfg(0, 0, record); }), "ReadParaCfg Error!");
    EXPECT_EQ(LastError(), "Read_CFG_RTU error 5 !");
}

}  // namespace tarn::test
