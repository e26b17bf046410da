// The parameter manager against a virtual drive: learning the groups, moving
// values both ways with the exact register traffic, the image part and the
// PCF file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "device/device_inst.h"
#include "image/stored_file.h"
#include "link/hct_comm.h"
#include "link/link_packet.h"
#include "link/link_tables.h"
#include "params/para_mgr.h"
#include "platform/wide_string.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"
#include "tests/common/drive_rig.h"
#include "tests/common/request_lines.h"

namespace tarn::test {

namespace {

namespace fs = std::filesystem;

// Keeps what the manager tells its window: log lines and posted results.
class RecordingWindow : public IWindow {
public:
    explicit RecordingWindow(CParaMgr& mgr) : m_mgr(mgr) {}
    LRESULT Send(uint32_t message, WPARAM, LPARAM) override {
        std::lock_guard lock(m_mutex);
        if (message == WM_PARA_LOG) lines.push_back(ToUtf8(m_mgr.m_strLog));
        return 0;
    }
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam) override {
        std::lock_guard lock(m_mutex);
        if (message == WM_PARA_DONE) done.emplace_back(wParam, lParam);
    }
    std::vector<std::string> lines;
    std::vector<std::pair<WPARAM, LPARAM>> done;

private:
    CParaMgr& m_mgr;
    std::mutex m_mutex;
};

sim::ParameterItem Param(uint16_t attributes, std::vector<int64_t> values) {
    sim::ParameterItem item;
    item.record = {0x7FFF, 0xFFFF, 0x8000, 0x0000, 0, 0, attributes};
    item.values = std::move(values);
    return item;
}

// Group 0: 7 items; group 1: 2 items (a 32-bit signed one, one not downloaded);
// extra group -1: 1 item.
sim::DriveDescription ThreeAxisDrive() {
    sim::DriveDescription d;
    d.identity = {3, 6, 5};
    sim::ParameterGroup g0{0, {}};
    for (int i = 0; i < 7; ++i) g0.items.push_back(Param(0, {i, 100 + i, 200 + i}));
    d.groups.push_back(g0);
    d.groups.push_back({1, {Param(kAttr32Bit, {-70000, 5, 6}), Param(0x0010, {1, 2, 3})}});
    d.groups.push_back({-1, {Param(kAttrUnsigned, {0xFFFF, 0, 0})}});
    return d;
}

class MgrTest : public ::testing::Test, protected DriveRig {
protected:
    void Start(const sim::DriveDescription& d) {
        ASSERT_TRUE(StartRig(d));
        mgr.SetCmdImpl(&impl);
        mgr.m_hNotifyWnd = &window;
        mgr.SetPcfRoot(FromUtf8(pcfRoot.string()));
    }
    void SetUp() override {
        pcfRoot = fs::temp_directory_path() / ("tarn-pcf-" + std::to_string(::getpid()));
        Start(ThreeAxisDrive());
    }
    void TearDown() override { if (!getenv("TARN_KEEP")) fs::remove_all(pcfRoot); }

    // Parameter-value reads and writes the drive received: "R addr count" / "M addr".
    std::vector<std::string> ParamTraffic() {
        static const std::set<std::string> kOtherReads = {"R 0000 1", "R 0500 2", "R 005C 1", "R 205C 1",
                                                          "R 405C 1", "R FE02 2", "R FE06 1", "R 0504 1",
                                                          "R FD00 1"};
        std::vector<std::string> out;
        for (const auto& line : TakeRequestLines(*drive)) {
            if (line[0] == 'R' && !kOtherReads.count(line)) out.push_back(line);
            if (line[0] == 'M') out.push_back(line.substr(0, 6));
        }
        return out;
    }

    fs::path pcfRoot;
    CParaMgr mgr;
    RecordingWindow window{mgr};
};

}  // namespace

TEST_F(MgrTest, UploadReadsEveryAxisInChunksOfFive) {
    ASSERT_TRUE(mgr.UploadValues()) << ToUtf8(impl.GetCmd()->m_strLastError);
    EXPECT_EQ(mgr.m_nAxes, 3);
    ASSERT_EQ(mgr.GroupCount(), 3);
    EXPECT_EQ(mgr.GroupNumber(2), -1);
    EXPECT_EQ(mgr.Items(0)[6].GetValue(2), 206);
    EXPECT_EQ(mgr.Items(1)[0].GetValue(0), -70000);
    EXPECT_EQ(mgr.Items(2)[0].GetValue(0), 0xFFFF);
    const auto traffic = ParamTraffic();
    const std::vector<std::string> expected = {
        "R 0000 10", "R 2000 10", "R 4000 10", "R 000A 4", "R 200A 4", "R 400A 4",
        "R 0100 4",  "R 2100 4",  "R 4100 4",  "R FF00 2", "R DF00 2", "R BF00 2"};
    EXPECT_EQ(traffic, expected);
    EXPECT_EQ(window.done, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 0}}));
}

TEST_F(MgrTest, SixRefusedReadsEndTheUpload) {
    drive->SetReplyHook([](const sim::LoggedRequest& r, const sim::Bytes&) -> std::optional<sim::Bytes> {
        if (r.Function() != 0x03 || r.frame[2] != 0x01) return std::nullopt;  // group 1 values
        return WrapLinkPacket(kLinkTypeRtuResponse, sim::ExceptionReply(r.Station(), 0x03, 2));
    });
    EXPECT_FALSE(mgr.UploadValues());
    EXPECT_EQ(window.done.back(), (std::pair<WPARAM, LPARAM>{0, 8}));
    int refused = 0;
    for (const auto& line : ParamTraffic()) refused += line == "R 0100 4";
    EXPECT_EQ(refused, 6 * 3) << "six refused reads of three attempts each";
}

TEST_F(MgrTest, GroupsCutShortLeaveATableThatSavesAndLoads) {
    // The drive refuses the selector of group 1, the second of three.
    drive->SetReplyHook([](const sim::LoggedRequest& r, const sim::Bytes&) -> std::optional<sim::Bytes> {
        if (r.Function() != 0x06 || r.frame[2] != 0xFE || r.frame[3] != 0x04 || r.frame[5] != 1) return std::nullopt;
        return WrapLinkPacket(kLinkTypeRtuResponse, sim::ExceptionReply(r.Station(), 0x06, 0x28));
    });
    EXPECT_FALSE(mgr.UploadValues());
    EXPECT_EQ(mgr.GroupCount(), mgr.m_nGroupCount + mgr.m_nExtCount1 + mgr.m_nExtCount2);
    fs::create_directories(pcfRoot);
    const std::u16string path = FromUtf8((pcfRoot / "cut.cfb").string());
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kImageCreateMode, 0, root.Out()), S_OK);
        ASSERT_EQ(mgr.SaveToStorage(root.get()), S_OK);
    }
    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
    CParaMgr loaded;
    EXPECT_EQ(loaded.LoadFromStorage(root.get(), 0), S_OK);

    drive->SetReplyHook(nullptr);
    ASSERT_TRUE(mgr.UploadValues()) << "the next upload learns every group";
    EXPECT_EQ(mgr.GroupCount(), 3);
}

TEST_F(MgrTest, DownloadWritesOrdinaryDownloadableItems) {
    ASSERT_TRUE(mgr.UploadValues());
    mgr.Items(0)[1].SetValue(-2, 1);
    ParamTraffic();
    model->ProtectRegister(0x2004);  // group 0 item 2, axis 1: refused
    window.lines.clear();
    EXPECT_EQ(mgr.DownloadValues(), kDownloadDone);
    const auto traffic = ParamTraffic();
    EXPECT_EQ(traffic.size(), 8u * 3 + 2)
        << "7 + 1 items on three axes (not 0x0010, not group -1), and two more attempts of the refused write";
    EXPECT_EQ(traffic[0], "M 0000");
    EXPECT_EQ(traffic[1], "M 2000");
    EXPECT_EQ(model->Register(0x2002), 0xFFFE);
    EXPECT_EQ(window.lines, std::vector<std::string>{"y:P0-2=102 download fail"}) << "the axis's own value";
}

TEST_F(MgrTest, DownloadStopsAtAWriteTheLineLost) {
    ASSERT_TRUE(mgr.UploadValues());
    ParamTraffic();
    window.lines.clear();
    // y:P0-1 gets no answer: the line, not the drive, failed; nothing more is written.
    drive->SetReplyHook([](const sim::LoggedRequest& r, const sim::Bytes&) -> std::optional<sim::Bytes> {
        if (r.Function() == 0x10 && r.frame[2] == 0x20 && r.frame[3] == 0x02) return sim::Bytes{};
        return std::nullopt;
    });
    EXPECT_EQ(mgr.DownloadValues(), kDownloadLineFault);
    EXPECT_EQ(ParamTraffic(), (std::vector<std::string>{"M 0000", "M 2000", "M 4000", "M 0002", "M 2002", "M 2002",
                                                        "M 2002"}));
    EXPECT_EQ(window.lines, std::vector<std::string>{"y:P0-1=101 download fail"});
}

TEST_F(MgrTest, DownloadRefusesAnotherMachineAndARunningServo) {
    ASSERT_TRUE(mgr.UploadValues());
    mgr.m_DevInfo.m_wIdent1 = 4;
    ParamTraffic();
    EXPECT_EQ(mgr.DownloadValues(), kDownloadOtherMachine);
    mgr.m_DevInfo.m_wIdent1 = 3;
    model->SetServoOn(2, true);
    EXPECT_EQ(mgr.DownloadValues(), kDownloadServoOn);
    EXPECT_TRUE(ParamTraffic().empty()) << "nothing written";
}

TEST_F(MgrTest, ImagePartAndItsLog) {
    sim::DriveDescription d;
    d.identity = {3, 6, 5};
    d.groups.push_back({0, {Param(0, {1, 2, 3}), Param(0, {4}), Param(0, {5})}});
    d.groups.push_back({1, {Param(0, {}), Param(0, {}), Param(0, {}), Param(0, {9})}});
    Start(d);
    ASSERT_TRUE(mgr.UploadValues());
    const fs::path file = pcfRoot / "image.cfb";
    fs::create_directories(pcfRoot);
    const std::u16string path = FromUtf8(file.string());
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), kImageCreateMode, 0, root.Out()), S_OK);
        ASSERT_EQ(mgr.SaveToStorage(root.get()), S_OK);
    }
    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
    StgPtr<IStream> info;
    ASSERT_EQ(root->OpenStream(u"ParaMgrInfo", nullptr, kImageOpenMode, 0, info.Out()), S_OK);
    uint32_t words[7] = {};
    ULONG got = 0;
    info->Read(words, sizeof words, &got);
    EXPECT_EQ(got, 24u);
    EXPECT_EQ(std::vector<uint32_t>(words, words + 6), (std::vector<uint32_t>{3, 2, 0, 0, 3, 4}));
    std::vector<STATSTG> elements;
    root->EnumElements(&elements);
    EXPECT_EQ(elements.size(), 8u) << "ParaMgrInfo and ParaStorage0..6";

    CParaMgr loaded;
    RecordingWindow loadWindow(loaded);
    loaded.m_hNotifyWnd = &loadWindow;
    ASSERT_EQ(loaded.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(loaded.Items(1)[3].GetValue(0), 9);
    ASSERT_EQ(loadWindow.lines.size(), 7u * 4);
    EXPECT_EQ(std::vector<std::string>(loadWindow.lines.begin(), loadWindow.lines.begin() + 4),
              (std::vector<std::string>{"x:P0-0=3005", "y:P0-0=2", "z:P0-0=3", ""}))
        << "each axis line shows that axis's own value";
}

TEST_F(MgrTest, PcfFileNamedAfterTheDrive) {
    ASSERT_TRUE(mgr.UploadValues());  // learns the definitions and writes the PCF file
    const fs::path pcf = pcfRoot / "Data/ParaCfg/000300060005_3005_11.PCF";
    ASSERT_TRUE(fs::exists(pcf)) << ToUtf8(mgr.GetPcfPath());
    // Unwrap: drop the 16-byte trailer, gunzip, unscramble.
    std::ifstream in(pcf, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 16u);
    EXPECT_EQ(std::string(bytes.end() - 4, bytes.end()), "IASH");
    const fs::path gz = pcfRoot / "pcf.gz", scrambled = pcfRoot / "pcf.scr", plain = pcfRoot / "pcf.cfb";
    std::ofstream(gz, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() - 16));
    gzFile z = gzopen(gz.c_str(), "rb");
    ASSERT_NE(z, nullptr);
    std::ofstream out(scrambled, std::ios::binary);
    char buf[4096];
    for (int n; (n = gzread(z, buf, sizeof buf)) > 0;) out.write(buf, n);
    gzclose(z);
    out.close();
    ASSERT_EQ(ScrambleFile(FromUtf8(scrambled.string()), FromUtf8(plain.string())), 1);
    const std::string command = "/usr/bin/python3 -c \"import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); "
                                "print(sorted('/'.join(e) for e in o.listdir(storages=True)))\" " +
                                plain.string() + " > " + (pcfRoot / "list.txt").string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream listing(pcfRoot / "list.txt");
    std::string text((std::istreambuf_iterator<char>(listing)), {});
    EXPECT_NE(text.find("'ParaMgrInfo'"), std::string::npos) << text;
    EXPECT_NE(text.find("'ParaStorage9/ParaCfg'"), std::string::npos) << text;
    // Without a root of its own a PCF file goes to the data folder, never beside the program.
    const char* data = std::getenv("TARN_DATA_DIR");
    const std::string saved = data ? data : "";
    ::setenv("TARN_DATA_DIR", "/data-home", 1);
    EXPECT_EQ(ToUtf8(CParaMgr().GetPcfDirectory()), "/data-home/Data/ParaCfg");
    data ? ::setenv("TARN_DATA_DIR", saved.c_str(), 1) : ::unsetenv("TARN_DATA_DIR");
}

}  // namespace tarn::test
