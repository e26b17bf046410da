// The `tarn` command end to end: a separate process talking to a virtual
// drive through a real pty, with its stdout, stderr and exit status checked.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <nlohmann/json.hpp>

#include "device/drive_registers.h"
#include "image/crc32.h"
#include "link/hct_comm.h"
#include "link/link_tables.h"
#include "sim/default_drive.h"
#include "sim/drive_description.h"
#include "sim/drive_state.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"
#include "tests/tarn/tarn_process.h"

namespace tarn::test {
namespace {

using Lines = std::vector<std::string>;

uint32_t WordsCrc(const std::vector<uint16_t>& words) {
    std::vector<uint8_t> bytes;
    for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return Crc32(bytes.data(), bytes.size());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Lines Tail(const Lines& lines, size_t n) { return Lines(lines.end() - static_cast<long>(std::min(n, lines.size())), lines.end()); }

class TarnTest : public ::testing::Test {
protected:
    void SetUp() override { Start(sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()))); }
    void Start(const sim::DriveDescription& description) {
        drive.reset();
        model = std::make_shared<sim::ServoDrive>(description);
        drive = std::make_unique<sim::VirtualDrive>(description.station, model);
    }
    TarnResult Tarn(std::vector<std::string> args) { return RunTarn(args, dir.Path("profile.ini")); }
    TarnResult Upload(const std::string& image) { return Tarn({"upload", image, "--port", drive->Path()}); }

    TempDir dir;
    std::shared_ptr<sim::ServoDrive> model;
    std::unique_ptr<sim::VirtualDrive> drive;
};

// The way back: a download with --snapshot keeps the drive as it was, the
// history records both runs, and a snapshot that cannot be saved stops the
// download before anything is written.
TEST_F(TarnTest, SnapshotBeforeTheDownloadAndTheHistory) {
    const std::string image = dir.Path("a.tkw"), snapshot = dir.Path("before.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    const TarnResult down = Tarn({"download", image, "--port", drive->Path(), "--yes", "--snapshot", snapshot});
    ASSERT_EQ(down.status, 0) << down.err;
    EXPECT_TRUE(std::filesystem::exists(snapshot));
    const Lines lines = down.OutLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Snapshot of the drive saved to " + snapshot), lines.end());

    std::ofstream(dir.Path("file")) << "x";
    const TarnResult refused =
        Tarn({"download", image, "--port", drive->Path(), "--yes", "--snapshot", dir.Path("file") + "/s.tkw"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Nothing was written to the drive."), std::string::npos) << refused.err;
    EXPECT_EQ(refused.OutLines().back(), "Snapshot failed: nothing was written.");

    const TarnResult history = Tarn({"history", "--json", "--last", "2"});
    ASSERT_EQ(history.status, 0) << history.err;
    const auto records = nlohmann::json::parse(history.out);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0]["operation"], "download");
    EXPECT_EQ(records[0]["result"], "not started");
    EXPECT_EQ(records[1]["snapshot"], snapshot);
    EXPECT_EQ(records[1]["result"], "finished");
    EXPECT_EQ(records[1]["port"], drive->Path());
}

TEST_F(TarnTest, UploadInspectAndDownloadRoundTrip) {
    const std::string image = dir.Path("backup.tkw");
    const TarnResult up = Upload(image);
    ASSERT_EQ(up.status, 0) << up.err;
    EXPECT_EQ(up.err, "");  // no message box, and no progress bar off a terminal
    EXPECT_EQ(up.OutLines().front(), "Read data from DUT...");

    const TarnResult inspect = Tarn({"inspect", image, "--json"});
    ASSERT_EQ(inspect.status, 0) << inspect.err;
    const auto doc = nlohmann::json::parse(inspect.out);
    EXPECT_EQ(doc["identity"], nlohmann::json({3, 6, 5}));
    EXPECT_EQ(doc["includes"], nlohmann::json({{"programDV", false}, {"dh", true}, {"mh", true}, {"parameters", true}}));
    EXPECT_EQ(doc["sizes"]["CD"], 448);
    EXPECT_EQ(doc["contents"]["DH"]["crc32"], WordsCrc(model->Area(0)));
    EXPECT_EQ(doc["contents"]["MH"]["crc32"], WordsCrc(model->Area(2)));
    ASSERT_EQ(doc["parameters"]["items"].size(), 460u);
    EXPECT_EQ(doc["parameters"]["items"][0]["values"], nlohmann::json({"3005", "3005", "3005"}));
    const TarnResult text = Tarn({"inspect", image});
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("Machine key:    none"), std::string::npos);
    EXPECT_NE(text.out.find("P6-49"), std::string::npos);

    // The drive loses its DH and a parameter; the download puts them back.
    const std::vector<uint16_t> dh = model->Area(0);
    const uint16_t p1 = model->Register(reg::ParamAddress(1, 3));
    model->SetArea(0, std::vector<uint16_t>(600, 0));
    model->SetRegister(reg::ParamAddress(1, 3), static_cast<uint16_t>(p1 + 1));
    const TarnResult down = Tarn({"download", image, "--port", drive->Path(), "--yes", "--quiet"});
    ASSERT_EQ(down.status, 0) << down.err;
    // --quiet: no log line. The drive named before the write, and nothing else: --yes
    // answers without showing the questions.
    EXPECT_EQ(down.out, "");
    EXPECT_EQ(down.err, "tarn: target: port " + drive->Path() +
                            ", station 1, identity 3, 6, 5, main version 3005, sub version 11\n");
    EXPECT_EQ(model->Area(0), dh);
    EXPECT_EQ(model->Register(reg::ParamAddress(1, 3)), p1);
    // A quiet compare: its summary alone.
    EXPECT_EQ(Tarn({"compare", image, "--port", drive->Path(), "--quiet"}).out.rfind("The drive matches the image.\n", 0), 0u);
}

// With --json every command prints one document of one shape: a failure
// (no such port, no such image, no such item) has the keys of a success,
// and the reason said on stderr is in it.
TEST_F(TarnTest, JsonDocumentsKeepTheirShapeOnFailure) {
    const std::string image = dir.Path("a.tkw"), none = dir.Path("none.tkw"), port = drive->Path(),
                      gone = dir.Path("nothing");
    ASSERT_EQ(Upload(image).status, 0);
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"info", "--port", port}, {"info", "--port", gone}},
        {{"inspect", image}, {"inspect", none}},
        {{"diff", image, image}, {"diff", image, none}},
        {{"param", "list", "--group", "1", "--port", port}, {"param", "list", "--port", gone}},
        {{"param", "get", "P1-02", "--port", port}, {"param", "get", "P9-99", "--port", port}},
        {{"upload", dir.Path("b.tkw"), "--port", port}, {"upload", dir.Path("c.tkw"), "--port", gone}},
        {{"compare", image, "--port", port}, {"compare", none, "--port", port}},
        {{"download", image, "--port", port, "--yes"}, {"download", image, "--port", gone, "--yes"}},
    };
    const auto keys = [](const nlohmann::ordered_json& doc) {
        Lines k;
        for (const auto& [key, value] : doc.items()) k.push_back(key);
        return k;
    };
    for (auto [ok, failing] : cases) {
        ok.push_back("--json");
        failing.push_back("--json");
        const TarnResult good = Tarn(ok), bad = Tarn(failing);
        const std::string name = ok[0] + " " + ok[1];
        EXPECT_EQ(good.status, 0) << name << good.err;
        EXPECT_NE(bad.status, 0) << name;
        ASSERT_TRUE(nlohmann::json::accept(good.out) && nlohmann::json::accept(bad.out)) << name << bad.out;
        EXPECT_EQ(keys(nlohmann::ordered_json::parse(good.out)), keys(nlohmann::ordered_json::parse(bad.out))) << name;
        const Lines said = bad.ErrLines();
        ASSERT_FALSE(said.empty()) << name;
        const std::string reason = said.back().substr(said.back().rfind("tarn: ", 0) == 0 ? 6 : 0);
        EXPECT_NE(nlohmann::json::parse(bad.out).dump().find(reason), std::string::npos) << name << bad.out;
    }
}

TEST_F(TarnTest, RefusedAndFailedRunsExitOneWithTheReasonOnStderr) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    // The drive answers at another station than the one given: said, and written to only when confirmed.
    const TarnResult elsewhere = Tarn({"download", image, "--port", drive->Path(), "--station", "5"});
    EXPECT_EQ(elsewhere.status, 1);
    EXPECT_NE(elsewhere.err.find("answered at station 1, not at the station 5 given: station 1 is used"),
              std::string::npos) << elsewhere.err;
    EXPECT_NE(elsewhere.err.find("not confirmed: nothing was written"), std::string::npos);
    EXPECT_EQ(elsewhere.out, "");

    // A download that has nothing to write says so.
    const TarnResult nothing = Tarn({"download", image, "--port", drive->Path(), "--no-para", "--no-dh", "--no-mh"});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_NE(nothing.err.find("tarn: nothing was written: the image holds no part to write"), std::string::npos)
        << nothing.err;

    // A drive of another identity: the machine check refuses before any write.
    auto other = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    other.identity = {3, 6, 6};
    Start(other);
    const TarnResult info = Tarn({"info", "--port", drive->Path(), "--json"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["identity"], nlohmann::json({3, 6, 6}));
    const TarnResult refused = Tarn({"download", image, "--port", drive->Path(), "--yes"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.ends_with("3, 6, 6, main version 3005, sub version 11\nMachine is not match!\n"))
        << refused.err;
    EXPECT_EQ(refused.OutLines().back(), "Load " + image + " ...finished!");

    // No such port, and a file that is no image.
    const TarnResult noPort = Tarn({"info", "--port", dir.Path("nothing")});
    EXPECT_EQ(noPort.status, 1);
    EXPECT_NE(noPort.err.find("no serial port"), std::string::npos);
    EXPECT_EQ(noPort.out, "");
    std::ofstream(dir.Path("junk.tkw")) << "not an image";
    const TarnResult notImage = Tarn({"inspect", dir.Path("junk.tkw")});
    EXPECT_EQ(notImage.status, 1);
    EXPECT_NE(notImage.err.find("junk.tkw"), std::string::npos);

    // A save that fails says why on stderr as well.
    const TarnResult unsaved = Tarn({"upload", dir.Path("none/x.tkw"), "--port", drive->Path()});
    EXPECT_EQ(unsaved.status, 1);
    EXPECT_NE(unsaved.err.find("tarn: the image was not saved: No such file or directory"), std::string::npos)
        << unsaved.err;

    // A port another program holds is named as such.
    {
        CHCT_COMM holder;
        ASSERT_EQ(holder.OpenPort(drive->Path(), kLinkBaudCode, kLinkProtocolCode), 1);
        const TarnResult busy = Tarn({"info", "--port", drive->Path()});
        EXPECT_EQ(busy.status, 1);
        EXPECT_EQ(busy.err, "tarn: cannot open " + drive->Path() + ": Com port open Failed !\nThe port " +
                                drive->Path() + " is in use by another program\n");
    }

    // A pty that nobody serves: the connect fails with the link's own message.
    drive.reset();
    sim::PseudoTerminal silent;
    const TarnResult offline = Tarn({"upload", dir.Path("x.tkw"), "--port", silent.SlavePath()});
    EXPECT_EQ(offline.status, 1);
    EXPECT_TRUE(offline.out.starts_with("No drive answers on Port ") &&
                offline.out.ends_with(":'" + silent.SlavePath() + "' at station 1 or 255.\n"))
        << offline.out;
    EXPECT_EQ(offline.err.rfind("tarn: no drive answers on " + silent.SlavePath() + ": ", 0), 0u) << offline.err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.tkw")));
}

TEST_F(TarnTest, QuestionsAreAnsweredNoWithoutTerminalAndYesWithYes) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    // The drive's DH section is now smaller than the image's: the DH question.
    model->SetRegister(reg::kSizeDH, 100);
    model->SetArea(0, {});
    const TarnResult no = Tarn({"download", image, "--port", drive->Path()});
    EXPECT_EQ(no.status, 1);
    EXPECT_NE(no.err.find("DH\xe5\x8d\x80"), std::string::npos);  // the drive's own text, and in English:
    EXPECT_NE(no.err.find("\n(The DH section is larger than the size set on the drive"), std::string::npos);
    EXPECT_NE(no.err.find("not confirmed"), std::string::npos);
    EXPECT_TRUE(model->Area(0).empty());

    // Unticked DH: no question, and DH stays unwritten.
    const TarnResult noDh = Tarn({"download", image, "--port", drive->Path(), "--no-dh", "--no-para"});
    EXPECT_EQ(noDh.status, 0) << noDh.err;
    EXPECT_EQ(noDh.err.find("DH"), std::string::npos);
    EXPECT_TRUE(model->Area(0).empty());

    // On a terminal the question waits for its answer, and the bar is drawn
    // there, never on stdout.
    const std::string profile = dir.Path("profile.ini");
    const TarnResult typedNo = RunTarnOnTerminal({"download", image, "--port", drive->Path()}, profile, "n\n");
    EXPECT_EQ(typedNo.status, 1);
    EXPECT_NE(typedNo.err.find("Continue? [y/N]"), std::string::npos);
    EXPECT_TRUE(model->Area(0).empty());
    const TarnResult typedYes = RunTarnOnTerminal({"download", image, "--port", drive->Path()}, profile, "y\n");
    EXPECT_EQ(typedYes.status, 0) << typedYes.err;
    EXPECT_NE(typedYes.err.find("] 100%"), std::string::npos);
    EXPECT_NE(typedYes.err.find("]  25%  parameters "), std::string::npos) << "the bar moves while the parameters are written";
    EXPECT_EQ(typedYes.out.find('\r'), std::string::npos);
    EXPECT_EQ(model->Area(0).size(), 600u);

    model->SetArea(0, {});
    const TarnResult yes = Tarn({"download", image, "--port", drive->Path(), "--yes"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(yes.err.find("DH"), std::string::npos);  // the answered question is not shown
    EXPECT_EQ(yes.err.find('\r'), std::string::npos);  // no bar off a terminal
    EXPECT_EQ(model->Area(0).size(), 600u);

    // An upload into an existing image asks before replacing it.
    const auto bytes = [&] { return ReadFile(image); };
    const std::string before = bytes();
    model->SetArea(0, std::vector<uint16_t>(600, 0xAB));
    const TarnResult keep = Upload(image);
    EXPECT_EQ(keep.status, 1);
    EXPECT_NE(keep.err.find("already exists"), std::string::npos) << keep.err;
    EXPECT_NE(keep.err.find("not replaced"), std::string::npos) << keep.err;
    EXPECT_EQ(bytes(), before);
    const TarnResult replace = Tarn({"upload", image, "--port", drive->Path(), "--yes"});
    EXPECT_EQ(replace.status, 0) << replace.err;
    EXPECT_NE(bytes(), before);
}

TEST_F(TarnTest, NoImageOrTraceTakesThePlaceOfWhatItMustNotReplace) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    const std::string before = ReadFile(image);
    // An image only ever replaces a regular file, asked or not.
    const std::string fifo = dir.Path("fifo"), link = dir.Path("link.tkw");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, link);
    for (const std::string& target : {fifo, link}) {
        const TarnResult r = Tarn({"upload", target, "--port", drive->Path(), "--yes"});
        EXPECT_EQ(r.status, 1) << target;
        EXPECT_EQ(r.out, "") << target;
        EXPECT_NE(r.err.find(target + " is a FIFO: an image is only written as a regular file"), std::string::npos)
            << r.err;
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    }
    // The trace never takes the image's place, and replaces a file only as an image is replaced.
    const std::string old = dir.Path("old.txt");
    std::ofstream(old) << "kept";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"download", image, "--yes", "--trace", image}, 1, "is the command's own image"},
        {{"info", "--trace", old}, 1, "exists and was not replaced"},
        {{"info", "--trace", "/dev/full"}, 0, "the trace /dev/full is cut short: No space left on device"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin() + (args[0] == "info" ? 1 : 2), {"--port", drive->Path()});
        const TarnResult r = Tarn(args);
        EXPECT_EQ(r.status, c.status) << args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadFile(image), before);
    EXPECT_EQ(ReadFile(old), "kept");
    EXPECT_EQ(Tarn({"upload", dir.Path("new.tkw"), "--port", drive->Path(), "--trace", old, "--yes"}).status, 0);
    EXPECT_EQ(ReadFile(old).rfind("# line trace", 0), 0u);
}

TEST_F(TarnTest, AnIdentityNotReadWholeMakesNoImageAndNoInfo) {
    // Replies later than the link waits: the station answers, the identity does not.
    sim::Faults faults;
    faults.lateReplies = 8;
    faults.lateByMs = 700;
    drive->SetFaults(faults);
    const std::string image = dir.Path("late.tkw");
    const TarnResult up = Upload(image);
    EXPECT_EQ(up.status, 1);
    EXPECT_NE(up.err.find("identity was not read completely"), std::string::npos) << up.err;
    EXPECT_NE(up.err.find("retry"), std::string::npos) << up.err;
    EXPECT_FALSE(std::filesystem::exists(image));
    drive->SetFaults(faults);
    const TarnResult info = Tarn({"info", "--port", drive->Path(), "--json"});
    EXPECT_EQ(info.status, 1) << info.out;
    const auto doc = nlohmann::json::parse(info.out);
    EXPECT_TRUE(doc["identity"].is_null());
    EXPECT_TRUE(doc["error"].is_string());
    EXPECT_NE(info.err.find("tarn: the drive's identity was not read: "), std::string::npos) << info.err;
    drive->SetFaults({});
    const TarnResult good = Tarn({"info", "--port", drive->Path(), "--json"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_TRUE(nlohmann::json::parse(good.out)["error"].is_null());
}

TEST_F(TarnTest, ValuesOutsideTheirLimitsAndOtherFirmwareAreWrittenOnlyWhenConfirmed) {
    // z of P3-09 far above its upper limit, as one flipped bit in the image gives.
    const uint16_t address = reg::ParamAddress(3, 9, 2);
    model->SetRegister(address, 0x0088);
    model->SetRegister(static_cast<uint16_t>(address + 1), 0x4000);
    const std::string image = dir.Path("flipped.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    const TarnResult inspect = Tarn({"inspect", image});
    EXPECT_EQ(inspect.status, 0);
    EXPECT_NE(inspect.err.find("values outside their limits"), std::string::npos) << inspect.err;
    EXPECT_NE(inspect.err.find("P3-09 z 1073741960 (limits"), std::string::npos) << inspect.err;

    auto other = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    other.mainVersion = 3006;
    Start(other);
    const std::vector<uint16_t> dh = model->Area(0);
    model->SetArea(0, std::vector<uint16_t>(600, 0));
    const TarnResult no = Tarn({"download", image, "--port", drive->Path()});
    EXPECT_EQ(no.status, 1);
    EXPECT_NE(no.err.find("P3-09 z 1073741960"), std::string::npos) << no.err;
    EXPECT_NE(no.err.find("not confirmed"), std::string::npos) << no.err;
    EXPECT_EQ(model->Area(0), std::vector<uint16_t>(600, 0));
    const TarnResult firmware = Tarn({"download", image, "--port", drive->Path(), "--no-para"});
    EXPECT_EQ(firmware.status, 1);
    EXPECT_NE(firmware.err.find("image main version 3005, sub version 11; drive main version 3006, sub version 11"),
              std::string::npos)
        << firmware.err;
    EXPECT_EQ(model->Area(0), std::vector<uint16_t>(600, 0));
    const TarnResult yes = Tarn({"download", image, "--port", drive->Path(), "--yes"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(model->Area(0), dh);
    EXPECT_EQ(model->Register(static_cast<uint16_t>(address + 1)), 0x4000);
    // Each axis's own value in the load's log.
    EXPECT_NE(yes.out.find("z:P3-9=1073741960\n"), std::string::npos);
}

TEST_F(TarnTest, AStopSignalEndsAWriteAtADefinedPointAndSaysWhatIsOnTheDrive) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    model->SetArea(0, std::vector<uint16_t>(600, 0));
    const std::string profile = dir.Path("profile.ini");
    // Paced so that the parameters take a few seconds.
    drive->SetPacing({19200, 0});
    struct Case {
        std::vector<int> signals;
        int status;  // -1: ended by the signal
        std::vector<std::string> err;
    };
    const std::vector<Case> cases = {
        {{SIGINT}, 1,
         {"tarn: stopped on request, with the drive in a defined state\n  written:     Parameter (",
          "  not written: Parameter (the other ", ", DH, MH\n", "run the same download again"}},
        {{SIGINT, SIGTERM}, -1, {"a second signal ends at once"}},
        {{SIGKILL}, -1, {}},  // nothing cleans up: the drive frees its port by itself
    };
    for (const Case& c : cases) {
        TarnChild down({"download", image, "--port", drive->Path(), "--yes"}, profile, true);
        ASSERT_TRUE(down.ReadUntil("Writing \"Parameter\"..."));
        std::this_thread::sleep_for(std::chrono::seconds(1));  // some parameters are written by then
        for (int signal : c.signals) down.Signal(signal);
        const TarnResult r = down.Wait();
        EXPECT_EQ(r.status, c.status) << r.err;
        for (const std::string& text : c.err) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
        EXPECT_EQ(model->Area(0), std::vector<uint16_t>(600, 0));
        // The port is free again either way.
        EXPECT_EQ(Tarn({"info", "--port", drive->Path()}).status, 0);
    }
    // A clone passes the request on to each drive's run and still ends with its table.
    sim::VirtualDrive second(1, std::make_shared<sim::ServoDrive>(
                                    sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()))));
    second.SetPacing({19200, 0});
    TarnChild clone({"download", image, "--port", drive->Path(), "--port", second.Path(), "--yes"}, profile, true);
    ASSERT_TRUE(clone.ReadUntil("[" + second.Path() + "] Writing \"Parameter\"...", std::chrono::seconds(30)));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    clone.Signal(SIGINT);
    const TarnResult cloned = clone.Wait();
    EXPECT_EQ(cloned.status, 1);
    const Lines rows = Tail(cloned.OutLines(), 2);
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_NE(rows[i].find(" stopped "), std::string::npos) << rows[i];
    EXPECT_EQ(model->Area(0), std::vector<uint16_t>(600, 0));

    // A reader that goes away does not stop the write.
    drive->SetPacing({});
    TarnChild piped({"download", image, "--port", drive->Path(), "--yes"}, profile, true);
    piped.ReadLine();
    piped.CloseOutput();
    EXPECT_EQ(piped.Wait().status, 0);
    EXPECT_EQ(model->Area(0).size(), 600u);
    EXPECT_NE(model->Area(0), std::vector<uint16_t>(600, 0));
}

TEST_F(TarnTest, CompareNamesEachDifferenceOfTheDrive) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    const TarnResult same = Tarn({"compare", image, "--port", drive->Path()});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_TRUE(same.out.starts_with("The drive matches the image.\nNot compared (status items")) << same.out;

    // P1-03 changed on axis y, DH word 10 and the MV size.
    model->SetRegister(reg::ParamAddress(1, 3, 1), 1861);
    std::vector<uint16_t> dh = model->Area(0);
    dh[10] ^= 1;
    model->SetArea(0, dh);
    model->SetRegister(reg::kSizeMV, 200);

    const TarnResult differs = Tarn({"compare", image, "--port", drive->Path(), "--json"});
    EXPECT_EQ(differs.status, 1) << differs.err;
    const auto doc = nlohmann::json::parse(differs.out);
    EXPECT_EQ(doc["result"], "differs");
    EXPECT_EQ(doc["ports"][0]["station"], 1);
    const auto& d = doc["ports"][0]["differences"];
    ASSERT_EQ(d.size(), 3u) << d.dump(1);
    EXPECT_EQ(d[0], nlohmann::json({{"what", "size"}, {"section", "MV"}, {"image", 256}, {"drive", 200}}));
    EXPECT_EQ(d[1]["section"], "DH");
    EXPECT_EQ(d[1]["ranges"].size(), 1u);
    EXPECT_EQ(d[1]["ranges"][0]["first"], 10);
    EXPECT_EQ(d[2], nlohmann::json({{"what", "parameter"}, {"id", "P1-03"}, {"axis", 1}, {"image", "18.60"},
                                    {"drive", "18.61"}}));

    // Nothing to compare with: a drive that does not answer, an image that does not load.
    drive.reset();
    sim::PseudoTerminal silent;
    EXPECT_EQ(Tarn({"compare", image, "--port", silent.SlavePath()}).status, 3);
    EXPECT_EQ(Tarn({"compare", dir.Path("none.tkw"), "--port", silent.SlavePath()}).status, 3);
}

TEST_F(TarnTest, VerifyCatchesABlockWriteTheDriveDidNotKeep) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    const std::vector<uint16_t> dh = model->Area(0);
    model->SetArea(0, std::vector<uint16_t>(600, 0));
    sim::Faults faults;
    faults.lostBlockWrites = 1;
    drive->SetFaults(faults);
    const TarnResult lost = Tarn({"download", image, "--port", drive->Path(), "--yes", "--verify"});
    EXPECT_EQ(lost.status, 1);
    EXPECT_NE(lost.out.find("Finished!\n"), std::string::npos);
    EXPECT_NE(lost.out.find("DH 0..4 "), std::string::npos) << lost.out;  // the first block of five words
    EXPECT_NE(lost.out.find("1 difference."), std::string::npos) << lost.out;
    EXPECT_NE(lost.err.find("tarn: the drive does not hold what was written"), std::string::npos) << lost.err;

    const TarnResult kept = Tarn({"download", image, "--port", drive->Path(), "--yes", "--verify"});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_TRUE(kept.out.ends_with("Finished!\nVerified: the drive holds what was written.\n"
                                   "Not compared (status items: the drive or the read itself sets them): "
                                   "P0-46, P2-08, P3-08, P5-01, P5-02\n"
                                   "Not compared (a download does not write them): 57 parameter items\n"))
        << kept.out;
    EXPECT_EQ(model->Area(0), dh);
}

// Right after a download the status word P5-02 is busy; a value in an item a
// download never writes cannot be made equal. Neither makes a compare fail.
TEST_F(TarnTest, CompareKeepsStatusItemsAndItemsADownloadDoesNotWriteApart) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    ASSERT_EQ(Tarn({"download", image, "--port", drive->Path(), "--yes"}).status, 0);
    const TarnResult busy = Tarn({"compare", image, "--port", drive->Path()});
    EXPECT_EQ(busy.status, 0) << busy.out;

    const uint16_t extra = reg::ParamAddress(-1, 2);  // an extra group's item
    model->SetRegister(extra, static_cast<uint16_t>(model->Register(extra) + 1));
    const TarnResult unwritten = Tarn({"compare", image, "--port", drive->Path(), "--json"});
    EXPECT_EQ(unwritten.status, 0) << unwritten.err;
    const auto port = nlohmann::json::parse(unwritten.out)["ports"][0];
    EXPECT_EQ(port["differences"].size(), 0u) << port.dump(1);
    ASSERT_EQ(port["notWritten"].size(), 1u) << port.dump(1);
    EXPECT_EQ(port["notWritten"][0]["id"], "P-1-02");
    const TarnResult text = Tarn({"compare", image, "--port", drive->Path()});
    EXPECT_NE(text.out.find("0 differences that a download would change, 1 that it cannot change.\n"),
              std::string::npos) << text.out;
    // Each compare is in the service history with its count.
    const auto last = nlohmann::json::parse(Tarn({"history", "--json", "--last", "1"}).out);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0]["operation"], "compare");
    EXPECT_EQ(last[0]["differences"], 0);
}

TEST_F(TarnTest, DiffOfTwoImagesAndTheUploadsResultDocument) {
    const std::string a = dir.Path("a.tkw"), b = dir.Path("b.tkw");
    ASSERT_EQ(Upload(a).status, 0);
    model->SetRegister(reg::ParamAddress(2, 5), static_cast<uint16_t>(model->Register(reg::ParamAddress(2, 5)) + 1));
    const TarnResult up = Tarn({"upload", b, "--port", drive->Path(), "--no-dh", "--no-mh", "--json"});
    ASSERT_EQ(up.status, 0) << up.err;
    const auto result = nlohmann::json::parse(up.out);
    EXPECT_EQ(result["result"], "finished");
    EXPECT_EQ(result["ports"][0]["port"], drive->Path());
    const auto& stages = result["ports"][0]["stages"];
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.front()["stage"], "Read data from DUT...");
    EXPECT_EQ(stages.back()["stage"], "Saving data to \"" + b + "\"...");
    EXPECT_EQ(result["ports"][0]["lastLine"], "Finished!");
    for (const auto& stage : stages) EXPECT_GE(stage["seconds"].get<double>(), 0.0);
    EXPECT_NE(up.err.find("Reading parameter from DUT..."), std::string::npos);  // the log, on stderr

    EXPECT_EQ(Tarn({"diff", a, a}).status, 0);
    const TarnResult diff = Tarn({"diff", a, b, "--json"});
    EXPECT_EQ(diff.status, 1);
    const auto d = nlohmann::json::parse(diff.out)["differences"];
    ASSERT_EQ(d.size(), 3u) << d.dump(1);  // the parts left out, and the parameter changed
    EXPECT_EQ(d[0], nlohmann::json({{"what", "includes"}, {"part", "DH"}, {"a", true}, {"b", false}}));
    EXPECT_EQ(d[1]["part"], "MH");
    EXPECT_EQ(d[2]["id"], "P2-05");
    EXPECT_EQ(d[2]["axis"], 0);
    EXPECT_EQ(Tarn({"diff", a, dir.Path("none.tkw")}).status, 3);

    // A name that is not UTF-8 is kept as given, and carried escaped in JSON.
    const std::string odd = dir.Path("\xFF\xFE.tkw");
    const TarnResult oddUp = Tarn({"upload", odd, "--port", drive->Path(), "--json"});
    EXPECT_EQ(oddUp.status, 0) << oddUp.err;
    EXPECT_TRUE(std::filesystem::exists(odd));
    EXPECT_EQ(nlohmann::json::parse(oddUp.out)["image"], dir.Path("\\xFF\\xFE.tkw"));
    for (const std::vector<std::string>& args : {std::vector<std::string>{"inspect", odd, "--json"}, {"diff", odd, a, "--json"}}) {
        const TarnResult r = Tarn(args);
        EXPECT_LE(r.status, 1) << r.err;
        EXPECT_TRUE(nlohmann::json::accept(r.out)) << args[0] << r.out;
    }

    // Readers of one image never exclude each other.
    for (int round = 0; round < 5; ++round) {
        TarnChild first({"inspect", a}, dir.Path("profile.ini"), true);
        TarnChild second({"diff", a, b}, dir.Path("profile.ini"), true);
        EXPECT_EQ(first.Wait().status, 0);
        EXPECT_EQ(second.Wait().status, 1);
    }
    // A temporary folder that is gone is named with the reason, not blamed on the image.
    const char* tmp = std::getenv("TMPDIR");
    const std::string savedTmp = tmp ? tmp : "";
    ::setenv("TMPDIR", dir.Path("gone").c_str(), 1);
    const TarnResult noTmp = Tarn({"inspect", a});
    tmp ? ::setenv("TMPDIR", savedTmp.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_EQ(noTmp.status, 1);
    EXPECT_NE(noTmp.err.find(a + ": its working copy " + dir.Path("gone") + "/tarn-image-"), std::string::npos)
        << noTmp.err;
    EXPECT_NE(noTmp.err.find(" could not be made: No such file or directory"), std::string::npos) << noTmp.err;
}

TEST_F(TarnTest, CloneOntoThreeDrivesAtOnceWithOneFailing) {
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Upload(image).status, 0);
    const auto shipped = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    auto other = shipped;
    other.identity = {3, 6, 6};
    sim::VirtualDrive second(1, std::make_shared<sim::ServoDrive>(shipped));
    sim::VirtualDrive third(1, std::make_shared<sim::ServoDrive>(other));
    const std::vector<std::string> ports = {drive->Path(), second.Path(), third.Path()};

    const TarnResult clone = Tarn({"download", image, "--port", ports[0], "--port", ports[1], "--port", ports[2],
                                   "--yes", "--trace", dir.Path("trace")});
    EXPECT_EQ(clone.status, 1);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_NE(clone.out.find("[" + ports[i] + "] Finished!\n"), std::string::npos) << clone.out;
    EXPECT_NE(clone.err.find("[" + ports[2] + "] Machine is not match!"), std::string::npos) << clone.err;
    EXPECT_TRUE(std::filesystem::exists(dir.Path("trace.3")));
    // The table: port, station, result, seconds.
    const Lines rows = Tail(clone.OutLines(), 3);
    for (size_t i = 0; i < 3; ++i) {
        std::istringstream row(rows[i]);
        std::string port, station, result;
        row >> port >> station >> result;
        EXPECT_EQ(port, ports[i]);
        EXPECT_EQ(station, "1");
        EXPECT_EQ(result, i < 2 ? "finished" : "failed");
    }

    const TarnResult json = Tarn({"download", image, "--port", ports[0], "--port", ports[2], "--yes", "--json"});
    EXPECT_EQ(json.status, 1);
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["result"], "failed");
    ASSERT_EQ(doc["ports"].size(), 2u);
    EXPECT_EQ(doc["ports"][0]["result"], "finished");
    EXPECT_EQ(doc["ports"][1]["result"], "failed");
    EXPECT_EQ(doc["ports"][1]["messages"].back(), "Machine is not match!");
}

TEST_F(TarnTest, TraceHoldsEveryRequestTheDriveGotAndEachReply) {
    sim::Faults faults;
    // The first reply: noise, a packet of another type, then itself with a bad
    // CRC, all of it in pieces; each frame is still one line.
    faults.splitReplies = 1;
    faults.noisyReplies = 1;
    faults.noise = {0x00, 0x55};
    faults.foreignPackets = 1;
    faults.corruptCrc = 1;
    drive->SetFaults(faults);
    const std::string file = dir.Path("trace.txt");
    ASSERT_EQ(Tarn({"info", "--port", drive->Path(), "--trace", file}).status, 0);

    std::ifstream in(file);
    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::string> received;
    long long last = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#", 0) == 0) continue;
        std::istringstream fields(line.substr(0, line.find(" | ")));
        long long us = 0;
        std::string direction, hex;
        fields >> us >> direction;
        EXPECT_GE(us, last) << line;
        last = us;
        std::vector<uint8_t> bytes;
        while (fields >> hex) bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
        const std::string frame = line.substr(line.find(" | ") + 3);
        if (direction == "out") {
            sent.push_back(bytes);
            EXPECT_EQ(frame.rfind("station=1 function=0x", 0), 0u) << line;
            EXPECT_TRUE(frame.ends_with(" crc=ok")) << line;
        } else {
            received.push_back(frame);
        }
    }
    std::vector<std::vector<uint8_t>> logged;
    for (const sim::LoggedRequest& request : drive->Requests()) logged.push_back(request.frame);
    EXPECT_EQ(sent, logged);
    // Then one checked packet per request (the spoilt one was asked again).
    ASSERT_EQ(received.size(), logged.size() + 2);
    EXPECT_EQ(received[0], "noise");
    EXPECT_EQ(received[1], "packet=ok type=1");
    EXPECT_EQ(received[2], "packet=ok station=1 function=0x03 count=1 crc=bad");
    for (size_t i = 3; i < received.size(); ++i) {
        EXPECT_EQ(received[i].rfind("packet=ok station=1 function=0x", 0), 0u) << received[i];
        EXPECT_TRUE(received[i].ends_with(" crc=ok")) << received[i];
    }
}

TEST_F(TarnTest, UsageErrorsExitTwoWithTheReasonAndASuggestion) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
        {{}, "tarn: no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'\n"},
        {{"downlaod", "a.tkw"}, "unknown command 'downlaod'; did you mean 'download'?"},
        {{"info"}, "--port"},
        {{"upload", "--port", "/dev/null"}, "OUT.tkw"},
        {{"upload", "a.tkw", "b.tkw", "--port", "/dev/null"}, "unexpected argument 'b.tkw'"},
        {{"download", "a.tkw", "--port", "/dev/null", "--all"}, "unknown option --all for download\n"},
        {{"download", "a.tkw", "--port", "/dev/null", "--no-pra"}, "did you mean '--no-para'?"},
        {{"inspect", "a.tkw", "--json=no"}, "json"},
        {{"info", "--port"}, "--port"},
        {{"sim", "--drop", "some"}, "--drop"},
        {{"sim", "--station", "300"}, "--station"},
    };
    for (const auto& [args, reason] : bad) {
        const TarnResult r = Tarn(args);
        const std::string name = args.empty() ? "(none)" : args[0];
        EXPECT_EQ(r.status, 2) << name;
        EXPECT_EQ(r.out, "") << name;
        EXPECT_NE(r.err.find(reason), std::string::npos) << name << ": " << r.err;
        EXPECT_NE(r.err.find("usage: tarn"), std::string::npos) << name;
    }
    const TarnResult help = Tarn({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"ports", "info", "upload", "download", "inspect", "sim"})
        EXPECT_NE(help.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
    const TarnResult downloadHelp = Tarn({"download", "--help"});
    EXPECT_EQ(downloadHelp.status, 0);
    EXPECT_NE(downloadHelp.out.find("usage: tarn download IMAGE.tkw --port PORT"), std::string::npos);
    EXPECT_NE(downloadHelp.out.find("--no-program"), std::string::npos);
    const TarnResult version = Tarn({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tarn ", 0), 0u);
    const TarnResult ports = Tarn({"ports", "--all", "--json"});
    EXPECT_EQ(ports.status, 0);
    EXPECT_TRUE(nlohmann::json::parse(ports.out).is_array());
}

TEST_F(TarnTest, SimServesALinkAndSavesItsStateOnExit) {
    drive.reset();
    const std::string link = dir.Path("drive"), state = dir.Path("state.json");
    TarnChild sim({"sim", "--link", link, "--state", state}, dir.Path("profile.ini"));
    const std::string device = sim.ReadLine();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(std::filesystem::read_symlink(link), device);
    // A second drive does not take the link of one that runs.
    const TarnResult taken = Tarn({"sim", "--link", link});
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find(link + " already leads to the running drive " + device), std::string::npos) << taken.err;
    const std::string image = dir.Path("backup.tkw");
    ASSERT_EQ(Tarn({"upload", image, "--port", link}).status, 0);
    // The image goes back unchanged, so the saved drive equals the shipped one.
    ASSERT_EQ(Tarn({"download", image, "--port", link, "--yes"}).status, 0);
    EXPECT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_FALSE(std::filesystem::exists(link));

    const auto saved = sim::DriveDescription::FromFile(state);
    auto expected = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    expected.registers = saved.registers;  // the registers the session wrote besides
    // P2-08 keeps the last access code the tool wrote: the run code.
    for (auto& group : expected.groups)
        if (group.number == 2) group.items[8].values = {reg::kCodeRun, 0, 0};
    EXPECT_EQ(sim::ToJson(saved), sim::ToJson(expected));
}

TEST_F(TarnTest, SimGoesOffTheLineAfterNRequestsAndTheTransferFails) {
    drive.reset();
    const std::string link = dir.Path("drive");
    // The connect takes 4 requests and the read up to the DH section 9 more:
    // the drive goes while DH is being read.
    TarnChild sim({"sim", "--link", link, "--vanish-after", "20"}, dir.Path("profile.ini"));
    ASSERT_EQ(sim.ReadLine().rfind("/dev/pts/", 0), 0u);
    const TarnResult up = Tarn({"upload", dir.Path("cut.tkw"), "--port", link, "--no-para", "--no-mh"});
    EXPECT_EQ(up.status, 1);
    EXPECT_EQ(up.OutLines(), (Lines{"Read data from DUT...", "Reading \"DH\" from DUT...", "Fail!"}));
    EXPECT_EQ(up.err, "tarn: the upload failed: Comm port read Error !\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path("cut.tkw")));
    EXPECT_EQ(sim.Stop(SIGTERM), 0) << "the run has ended by itself";
    EXPECT_FALSE(std::filesystem::exists(link));
}

}  // namespace
}  // namespace tarn::test
