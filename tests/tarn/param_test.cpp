// `tarn param`: single parameters of a virtual drive listed, read, checked and
// written, each write read back and kept in the service history.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "device/drive_registers.h"
#include "sim/default_drive.h"
#include "sim/drive_description.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"
#include "tests/tarn/tarn_process.h"

namespace tarn::test {
namespace {

using Registers = std::map<uint16_t, uint16_t>;

// Record words: upper (high, low), lower (high, low), default (high, low), attributes.
sim::ParameterItem Item(uint32_t upper, uint32_t lower, uint32_t def, uint16_t attributes,
                        std::vector<int64_t> values) {
    sim::ConfigRecord r{};
    r[0] = static_cast<uint16_t>(upper >> 16), r[1] = static_cast<uint16_t>(upper);
    r[2] = static_cast<uint16_t>(lower >> 16), r[3] = static_cast<uint16_t>(lower);
    r[4] = static_cast<uint16_t>(def >> 16), r[5] = static_cast<uint16_t>(def);
    r[6] = attributes;
    return {r, std::move(values)};
}

// Group 1 holds one item of every kind; group 0 is empty.
sim::DriveDescription Drive() {
    sim::DriveDescription d = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    d.groups = {{0, {}},
                {1,
                 {Item(100, static_cast<uint32_t>(-100), 10, 0x0000, {10, 20, -30}),           // P1-00 signed
                  Item(60000, 0, 5, 0x0080, {5, 5, 60000}),                                    // P1-01 unsigned
                  Item(100000, static_cast<uint32_t>(-100000), 0, 0x2000, {0, -70000, 0}),     // P1-02 32-bit
                  Item(0x00FF, 0, 0x1A, 0x4000, {0x1A, 0x1A, 0x1A}),                           // P1-03 hex
                  Item(0x10000, 0, 0, 0x6000, {0, 0x10000, 0}),                                // P1-04 hex 32-bit
                  Item(10000, 0, 1250, 0x0003, {1250, 1250, 5}),                               // P1-05 fixed point
                  Item(100, 0, 0, 0x0400, {1, 1, 1})}}};                                       // P1-06 not written
    return d;
}

class ParamTest : public ::testing::Test {
protected:
    ParamTest() : model(std::make_shared<sim::ServoDrive>(Drive())), drive(1, model) {}
    TarnResult Tarn(std::vector<std::string> args) {
        args.insert(args.end(), {"--port", drive.Path()});
        return RunTarn(args, dir.Path("profile.ini"));
    }
    // The drive's registers but those the read and write sequences set (the
    // access codes of P2-08, the run step of P5-01, the group selector).
    Registers Parameters() const {
        Registers r = model->Registers();
        for (uint16_t sequence : {reg::kSpecialFunction, reg::kCommand, reg::kGroupSelect}) r.erase(sequence);
        return r;
    }

    TempDir dir;
    std::shared_ptr<sim::ServoDrive> model;
    sim::VirtualDrive drive;
};

TEST_F(ParamTest, ListShowsEveryKindWithItsLimits) {
    const TarnResult list = Tarn({"param", "list", "--group", "1", "--json"});
    ASSERT_EQ(list.status, 0) << list.err;
    const auto items = nlohmann::json::parse(list.out)["items"];
    struct Row {
        const char* item;
        std::vector<std::string> values;
        const char *def, *lower, *upper, *kind;
        bool written, changed;
    };
    const Row rows[] = {
        {"P1-00", {"10", "20", "-30"}, "10", "-100", "100", "signed 16-bit", true, true},
        {"P1-01", {"5", "5", "60000"}, "5", "0", "60000", "unsigned 16-bit", true, true},
        {"P1-02", {"0", "-70000", "0"}, "0", "-100000", "100000", "signed 32-bit", true, true},
        {"P1-03", {"0x001A", "0x001A", "0x001A"}, "0x001A", "0x0000", "0x00FF", "hex 16-bit", true, false},
        {"P1-04", {"0x00000000", "0x00010000", "0x00000000"}, "0x00000000", "0x00000000", "0x00010000",
         "hex 32-bit", true, true},
        {"P1-05", {"12.50", "12.50", "0.05"}, "12.50", "0.00", "100.00", "signed 16-bit, 2 decimals", true, true},
        {"P1-06", {"1", "1", "1"}, "0", "0", "100", "signed 16-bit", false, true},
    };
    ASSERT_EQ(items.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& j = items[i];
        SCOPED_TRACE(rows[i].item);
        EXPECT_EQ(j["item"], rows[i].item);
        EXPECT_EQ(j["values"], nlohmann::json({{"x", rows[i].values[0]}, {"y", rows[i].values[1]}, {"z", rows[i].values[2]}}));
        EXPECT_EQ(j["default"], rows[i].def);
        EXPECT_EQ(j["lower"], rows[i].lower);
        EXPECT_EQ(j["upper"], rows[i].upper);
        EXPECT_EQ(j["kind"], rows[i].kind);
        EXPECT_EQ(j["written"], rows[i].written);
        EXPECT_EQ(j["changed"], rows[i].changed);
    }
    const TarnResult changed = Tarn({"param", "list", "--changed"});
    ASSERT_EQ(changed.status, 0) << changed.err;
    const auto lines = changed.OutLines();
    ASSERT_EQ(lines.size(), 7u);  // the heading and every item but P1-03
    EXPECT_EQ(lines[0], "item   x           y           z           default     lower       upper       kind                       download  comment");
    EXPECT_EQ(lines[6], "P1-06  1           1           1           0           0           100         signed 16-bit              no");
}

TEST_F(ParamTest, GetShowsEachAxisOrOne) {
    const TarnResult all = Tarn({"param", "get", "P1-00", "p1-05"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.OutLines(), std::vector<std::string>({"x:P1-00=10", "y:P1-00=20", "z:P1-00=-30", "x:P1-05=12.50",
                                                        "y:P1-05=12.50", "z:P1-05=0.05"}));
    const TarnResult one = Tarn({"param", "get", "P1-02", "--axis", "y", "--json"});
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(nlohmann::json::parse(one.out), nlohmann::json::parse(R"({"items": [{"item": "P1-02", "values": {"y": "-70000"}}], "error": null})"));
    const TarnResult unknown = Tarn({"param", "get", "P1-00", "P1-07"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "tarn: the drive has no parameter P1-07\n");
}

// Two items on axis y: their register pairs change, low word first, and
// nothing else; the history keeps both values of each.
TEST_F(ParamTest, SetWritesThePairsAndReadsThemBack) {
    Registers expected = Parameters();
    const TarnResult set = Tarn({"param", "set", "P1-02=-100000", "P1-05=13.5", "P1-04=0x0000FFFF", "--axis", "y", "--yes"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.OutLines(), std::vector<std::string>({"y:P1-02=-100000 (was -70000), read back -100000",
                                                        "y:P1-05=13.50 (was 12.50), read back 13.50",
                                                        "y:P1-04=0x0000FFFF (was 0x00010000), read back 0x0000FFFF"}));
    expected[0x2104] = 0x7960, expected[0x2105] = 0xFFFE;  // -100000
    expected[0x210A] = 1350, expected[0x210B] = 0;
    expected[0x2108] = 0xFFFF, expected[0x2109] = 0;
    EXPECT_EQ(Parameters(), expected);
    // The parameter download's unlock, once.
    EXPECT_EQ(model->CommandWrites(), std::vector<uint16_t>({0, 12}));

    const TarnResult history = RunTarn({"history", "--json", "--last", "1"}, dir.Path("profile.ini"));
    ASSERT_EQ(history.status, 0) << history.err;
    const auto record = nlohmann::json::parse(history.out)[0];
    EXPECT_EQ(record["operation"], "parameter");
    EXPECT_EQ(record["result"], "finished");
    EXPECT_EQ(record["changes"][1], nlohmann::json::parse(R"({"item": "P1-05", "axis": "y", "old": "12.50",
        "new": "13.50", "readBack": "13.50", "written": true})"));
    const std::string text = RunTarn({"history", "--last", "1"}, dir.Path("profile.ini")).out;
    EXPECT_NE(text.find("y:P1-02 -70000 -> -100000  y:P1-05 12.50 -> 13.50"), std::string::npos) << text;
}

// Every refusal names the item and why, and nothing at all is written: not
// even the unlock.
TEST_F(ParamTest, RefusalsWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"P1-00=101", "--axis", "x"}, 1, "P1-00=101 refused: out of the limits of P1-00: -100 to 100"},
        {{"P1-01=-1", "--axis", "x"}, 1, "P1-01=-1 refused: out of the limits of P1-01: 0 to 60000"},
        {{"P1-05=12.555", "--axis", "x"}, 1, "'12.555' is not a value of P1-05 (signed 16-bit, 2 decimals, 0.00 to 100.00)"},
        {{"P1-00=ten", "--axis", "all"}, 1, "'ten' is not a value of P1-00"},
        {{"P9-01=1", "--axis", "x"}, 1, "the drive has no parameter P9-01"},
        {{"P1-06=2", "--axis", "x"}, 1, "P1-06 is not written by a parameter download (attributes 0x0400)"},
        {{"P1-00=5", "P1-01=70000", "--axis", "x"}, 1, "P1-01=70000 refused: out of the limits"},
        {{"P1-00=5"}, 2, "--axis is required: the drive has 3 axes"},
        {{"P1-00=5", "--axis", "z"}, 1, "not confirmed: nothing was written"},  // no --yes, no terminal
    };
    const Registers before = Parameters();
    for (const Case& c : cases) {
        std::vector<std::string> args = {"param", "set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (c.status == 1 && std::string(c.says).find("confirmed") == std::string::npos) args.push_back("--yes");
        const TarnResult r = Tarn(args);
        SCOPED_TRACE(c.args[0]);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    model->SetServoOn(1, true);
    const TarnResult servo = Tarn({"param", "set", "P1-00=5", "--axis", "y", "--yes"});
    EXPECT_EQ(servo.status, 1);
    EXPECT_EQ(servo.err, "tarn: the servo of axis y is on: nothing was written\n");
    model->SetServoOn(1, false);
    EXPECT_EQ(Parameters(), before);
    EXPECT_TRUE(model->CommandWrites().empty());
}

// A drive that keeps another value than the one written: the command fails
// and names both; asked on a terminal, the question lists old and new values.
TEST_F(ParamTest, ReadBackMismatchFailsWithBothValues) {
    model->MisstoreRegister(0x410A, 7);  // P1-05 on axis z
    const TarnResult r = RunTarnOnTerminal({"param", "set", "P1-05=1.25", "--axis", "z", "--port", drive.Path()},
                                           dir.Path("profile.ini"), "y\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Write to the drive:\r\n  z:P1-05  0.05 -> 1.25"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("tarn: z:P1-05: wrote 1.25, the drive holds 0.07"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "z:P1-05=1.25 (was 0.05), read back 0.07\n");
}

}  // namespace
}  // namespace tarn::test
