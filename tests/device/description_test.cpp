// Drives described as JSON: what a description sets up, and clear refusals of
// descriptions that are wrong.
#include <stdexcept>

#include "device_fixture.h"
#include "image/dev_info.h"
#include "sim/drive_description.h"

namespace tarn::test {

TEST_F(DeviceTest, ShippedDescriptionMakesAWorkingDrive) {
    Start(sim::DriveDescription::FromFile(TARN_SOURCE_DIR "/sim/drives/three_axis.json"));
    CDevInfo info;
    EXPECT_TRUE(cmd.ReadDevInfo(info));
    EXPECT_EQ(info.m_nMainVersion, 3005);
    EXPECT_EQ(cmd.ReadSectionP_Size(), 2048);
    int ordinary = 0, extra = 0, flag = 0;
    cmd.ReadParaGroupNum(&ordinary, &extra, &flag);
    EXPECT_EQ(ordinary + extra + flag, 3);
    EXPECT_EQ(cmd.GetParaGoupCap(0), 2);
    uint16_t words[2] = {};
    EXPECT_TRUE(cmd.ReadParam(0, 1, 2, words, 2));
    EXPECT_EQ(words[0], 30);
    EXPECT_TRUE(cmd.ReadParam(1, 0, 2, words, 0));
    EXPECT_EQ(words[0], 0xFFFB);
    EXPECT_EQ(words[1], 0xFFFF) << "32-bit value, high word after the low word";
}

TEST(DriveDescription, RefusesWhatIsWrongWithAClearMessage) {
    auto error = [](const std::string& json) -> std::string {
        try {
            sim::DriveDescription::FromJson(json);
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_NE(error("{"), "");
    EXPECT_NE(error("[]").find("top level"), std::string::npos);
    EXPECT_NE(error(R"({"stations": 1})").find("unknown key \"stations\""), std::string::npos);
    EXPECT_NE(error(R"({"station": 300})").find("station"), std::string::npos);
    EXPECT_NE(error(R"({"identity": [1, 2]})").find("three"), std::string::npos);
    EXPECT_NE(error(R"({"sections": {"ZZ": 1}})").find("unknown section"), std::string::npos);
    EXPECT_NE(error(R"({"groups": [{"items": []}]})").find("needs a number"), std::string::npos);
    EXPECT_NE(error(R"({"groups": [{"number": 0, "items": [{"record": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17]}]}]})")
                  .find("16 words"),
              std::string::npos);
    EXPECT_NE(error(R"({"registers": {"0xZZ": 1}})").find("whole number"), std::string::npos);
    // Groups that would share registers with another group or axis.
    EXPECT_NE(error(R"({"groups": [{"number": 0}, {"number": -0}]})").find("repeats"), std::string::npos);
    EXPECT_NE(error(R"({"groups": [{"number": 32}]})").find("-32..31"), std::string::npos);
    std::string items = "{}";
    for (int i = 1; i < 129; ++i) items += ",{}";
    EXPECT_NE(error(R"({"groups": [{"number": 1, "items": [)" + items + "]}]}").find("at most 128"),
              std::string::npos);

    const auto d = sim::DriveDescription::FromJson(R"({"registers": {"0xFE08": "0x10", "7": -1}})");
    EXPECT_EQ(d.registers.at(0xFE08), 0x10);
    EXPECT_EQ(d.registers.at(7), 0xFFFF);
}

}  // namespace tarn::test
