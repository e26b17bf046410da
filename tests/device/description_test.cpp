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

// The virtual drive's own checks, few and in one place: a description that is
// wrong is refused with a message that names what is wrong.
TEST(DriveDescription, RefusesWhatIsWrongWithAClearMessage) {
    std::string items = "{}";
    for (int i = 1; i < 129; ++i) items += ",{}";
    const std::pair<std::string, const char*> cases[] = {
        {"{", ""},
        {"[]", "top level"},
        {R"({"stations": 1})", "unknown key \"stations\""},
        {R"({"station": 300})", "station"},
        {R"({"identity": [1, 2]})", "three"},
        {R"({"sections": {"ZZ": 1}})", "unknown section"},
        {R"({"groups": [{"items": []}]})", "needs a number"},
        {R"({"groups": [{"number": 0, "items": [{"record": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17]}]}]})",
         "16 words"},
        {R"({"registers": {"0xZZ": 1}})", "whole number"},
        // Groups that would share registers with another group or axis.
        {R"({"groups": [{"number": 0}, {"number": -0}]})", "repeats"},
        {R"({"groups": [{"number": 32}]})", "-32..31"},
        {R"({"groups": [{"number": 1, "items": [)" + items + "]}]}", "at most 128"},
    };
    for (const auto& [json, fragment] : cases) {
        std::string error;
        try {
            sim::DriveDescription::FromJson(json);
        } catch (const std::runtime_error& e) {
            error = e.what();
        }
        EXPECT_TRUE(!error.empty() && error.find(fragment) != std::string::npos) << json << ": " << error;
    }

    const auto d = sim::DriveDescription::FromJson(R"({"registers": {"0xFE08": "0x10", "7": -1}})");
    EXPECT_EQ(d.registers.at(0xFE08), 0x10);
    EXPECT_EQ(d.registers.at(7), 0xFFFF);
}

}  // namespace tarn::test
