// The Program's checksum fold and its encoding by the machine key.
#include "config_fixture.h"
#include "device/device_cmd.h"
#include "platform/wide_string.h"

namespace tarn::test {

TEST(ProgramChecksum, FoldsDVAndAutoDVIntoTheLastTwoWords) {
    CCfgExchange cfg;
    cfg.SectionP_Size.image = 4;
    cfg.ProgramData = std::vector<uint16_t>(4, 0x7777);
    cfg.DVData = std::vector<uint16_t>{1, 1};
    cfg.ActualDV_Size.image = 2;
    cfg.FoldProgramChecksum();
    EXPECT_EQ(*cfg.ProgramData, (std::vector<uint16_t>{0x7777, 0x7777, 4, 2}));

    cfg.DVData = std::vector<uint16_t>{1};
    cfg.ActualDV_Size.image = 1;
    cfg.AutoDVData = std::vector<uint16_t>{1};
    cfg.ActualAutoDV_Size.image = 1;
    cfg.FoldProgramChecksum();
    EXPECT_EQ((*cfg.ProgramData)[2], 4);
    EXPECT_EQ((*cfg.ProgramData)[3], 0);

    cfg.DVData.reset();  // without DV data nothing is folded, Auto DV included
    cfg.ProgramData = std::vector<uint16_t>(4, 0);
    cfg.FoldProgramChecksum();
    EXPECT_EQ(*cfg.ProgramData, std::vector<uint16_t>(4, 0));
}

TEST(ProgramKey, TableAndEncoding) {
    const auto shortKey = MachineKeyTable("AB");
    EXPECT_EQ(shortKey, (std::array<uint16_t, 5>{0x4241, 0x0403, 0x0605, 0x0807, 0x0A09}));
    const auto fullKey = MachineKeyTable("0123456789");
    EXPECT_EQ(fullKey, (std::array<uint16_t, 5>{0x3130, 0x3332, 0x3534, 0x3736, 0x3938}));
    // Each word depends on the encoded word before it: the same word twice
    // encodes differently.
    const uint16_t words[2] = {5, 5};
    EXPECT_EQ(EncodeProgram(words, 2, shortKey), (std::vector<uint16_t>{0x020D, 0x4645}));
    EXPECT_TRUE(EncodeProgram(words, 0, shortKey).empty());
}

TEST_F(ConfigTest, ProgramGoesEncodedUnlessTheKeyIsEmptyOr7350) {
    const std::vector<uint16_t> program = {5, 5, 0x1234};
    CDeviceCmd* cmd = impl.GetCmd();
    for (const char16_t* key : {u"", u"7350"}) {
        model->SetArea(kAreaProgram, {});
        cmd->DownloadProgramContent(3, program.data(), key);
        EXPECT_EQ(model->Area(kAreaProgram), program) << ToUtf8(key);
    }
    cmd->DownloadProgramContent(3, program.data(), u"AB");
    EXPECT_EQ(model->Area(kAreaProgram), EncodeProgram(program.data(), 3, MachineKeyTable("AB")));
    Traffic();
    try {
        cmd->DownloadProgramContent(3, program.data(), u"12345678901");
        ADD_FAILURE() << "an 11-byte key is refused";
    } catch (const std::u16string& message) {
        EXPECT_EQ(ToUtf8(message), "Machine key is longer than 10 bytes!");
    }
    EXPECT_TRUE(Traffic().empty());
}

}  // namespace tarn::test
