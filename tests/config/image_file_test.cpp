// Image files: a configuration from the virtual drive through a file and back,
// the elements and stream bytes of an image, and images that must be refused.
#include <filesystem>
#include <fstream>

#include "config_fixture.h"
#include "image/image_file.h"
#include "image/stored_file.h"
#include "image/stream_fields.h"
#include "platform/wide_string.h"
#include "tests/common/unprivileged.h"
#include "tests/image/file_size_limit.h"
#include "tests/image/test_files.h"

namespace tarn::test {

namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ImageFileTest : public ConfigTest {
protected:
    std::u16string File(const char* name) const { return temp.WideFile(name); }

    // Unwraps an image into a plain compound file and lists its root.
    std::vector<std::string> Elements(const std::u16string& image) {
        const std::u16string plain = File("plain.cfb");
        EXPECT_EQ(StripHeader(image, plain), 1);
        EXPECT_EQ(ScrambleFile(plain, plain), 1);
        StgPtr<IStorage> root;
        EXPECT_EQ(StgOpenStorage(plain.c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
        std::vector<STATSTG> elements;
        root->EnumElements(&elements);
        std::vector<std::string> names;
        for (const auto& e : elements) names.push_back(ToUtf8(e.name));
        std::sort(names.begin(), names.end());
        return names;
    }

    // Writes a compound file with `fill`, then wraps it as an image.
    std::u16string CraftImage(const char* name, const std::function<void(IStorage*)>& fill) {
        const std::u16string path = File(name);
        {
            StgPtr<IStorage> root;
            EXPECT_EQ(StgCreateDocfile(path.c_str(), kImageCreateMode, 0, root.Out()), S_OK);
            fill(root.get());
        }
        EXPECT_EQ(ScrambleFile(path, path), 1);
        EXPECT_EQ(AddHeader(path, path, kImageIdentifier, false), 1);
        return path;
    }

    TempDir temp;
    const fs::path& dir = temp.path();
};

}  // namespace

TEST_F(ImageFileTest, RoundTripThroughAFile) {
    cfg.IncludeDH = cfg.IncludeMH = cfg.IncludePara = 1;
    ASSERT_TRUE(cfg.UploadFromDevice(nullptr, nullptr));
    cfg.PartNumber = u"PN-0042";
    cfg.MachineKey = u"1234";
    CDevInfo driveInfo;
    ASSERT_TRUE(impl.GetCmd()->ReadDevInfo(driveInfo));
    const std::u16string path = File("drive.tkw");
    ASSERT_TRUE(WriteImageFile(path, driveInfo, cfg));

    CParaMgr loadedMgr;
    CCfgExchange loaded;
    loaded.ParaMgr = &loadedMgr;
    CDevInfo imageInfo;
    const ImageLoadOutcome outcome = ReadImageFile(path, imageInfo, loaded);
    ASSERT_TRUE(outcome.ok()) << static_cast<int>(outcome.step) << " " << outcome.hr;
    EXPECT_TRUE(loaded.DataValid);
    EXPECT_EQ(imageInfo.m_wIdent2, 6);
    EXPECT_EQ(imageInfo.m_nMainVersion, driveInfo.m_nMainVersion);
    EXPECT_EQ(loaded.PartNumber, u"PN-0042");
    EXPECT_EQ(loaded.MachineKey, u"1234");
    EXPECT_EQ(loaded.IncludePara, 1u);
    for (auto pair : {&CCfgExchange::SectionX_Size, &CCfgExchange::SectionY_Size, &CCfgExchange::SectionDV_Size,
                      &CCfgExchange::ActualDV_Size, &CCfgExchange::SectionDH_Size, &CCfgExchange::SectionMV_Size,
                      &CCfgExchange::SectionT_Size, &CCfgExchange::SectionTU_Size, &CCfgExchange::SectionTUD_Size,
                      &CCfgExchange::AutoDV_StartAddr, &CCfgExchange::ActualAutoDV_Size,
                      &CCfgExchange::FAT_TableVersion})
        EXPECT_EQ((loaded.*pair).image, (cfg.*pair).image);
    EXPECT_EQ(loaded.DVData, cfg.DVData);
    EXPECT_EQ(loaded.AutoDVData, cfg.AutoDVData);
    EXPECT_EQ(loaded.DHData, cfg.DHData);
    EXPECT_EQ(loaded.MHData, cfg.MHData);
    EXPECT_FALSE(loaded.ProgramData) << "no Program part";
    ASSERT_EQ(loadedMgr.GroupCount(), mgr.GroupCount());
    EXPECT_EQ(loadedMgr.Items(1)[0].GetValue(2), mgr.Items(1)[0].GetValue(2));
    EXPECT_EQ(loadedMgr.m_nAxes, 3);
}

TEST_F(ImageFileTest, AFailedSaveLeavesTheImageThereAndSaysWhy) {
    cfg.IncludeDH = cfg.IncludeMH = 1;
    ASSERT_TRUE(cfg.UploadFromDevice(nullptr, nullptr));
    CDevInfo driveInfo;
    driveInfo.SetDefaults();
    const fs::path folder = dir / "backups", image = folder / "drive.tkw";
    fs::create_directories(folder);
    const std::u16string path = FromUtf8(image.string());
    ASSERT_TRUE(WriteImageFile(path, driveInfo, cfg));
    fs::permissions(image, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string before = Bytes(image);
    cfg.PartNumber = u"PN-NEW";  // what a new save would change

    const struct {
        const char* what;
        std::function<bool(int*)> save;
        int reason;
    } cases[] = {
        {"the disk fills up", [&](int* error) {
             FileSizeLimit limit(before.size() / 2);
             return WriteImageFile(path, driveInfo, cfg, error);
         }, ENOSPC},
        {"the folder is read-only", [&](int* error) {
             fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
             const std::string seen = RunUnprivileged([&] {
                 int reason = 0;
                 const bool saved = WriteImageFile(path, driveInfo, cfg, &reason);
                 return std::to_string(saved) + " " + std::to_string(reason);
             });
             fs::permissions(folder, fs::perms::owner_all);
             *error = std::atoi(seen.c_str() + seen.find(' ') + 1);
             return seen.rfind("0 ", 0) != 0;
         }, EACCES},
    };
    for (const auto& c : cases) {
        int reason = 0;
        EXPECT_FALSE(c.save(&reason)) << c.what;
        EXPECT_EQ(reason, c.reason) << c.what;
        EXPECT_EQ(Bytes(image), before) << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << c.what << ": nothing left behind";
    }
    ASSERT_TRUE(WriteImageFile(path, driveInfo, cfg));
    EXPECT_NE(Bytes(image), before);
    EXPECT_EQ(fs::status(image).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ImageFileTest, ElementsAndStreamBytes) {
    CDevInfo info;
    info.SetDefaults();
    cfg.SectionX_Size.image = 0x0102;
    cfg.ActualAutoDV_Size.image = 0;
    const std::u16string path = File("bare.tkw");
    ASSERT_TRUE(WriteImageFile(path, info, cfg));
    EXPECT_EQ(Elements(path), (std::vector<std::string>{"DH", "DV", "DevInfo", "MH", "MV", "Porperty", "TC",
                                                        "Version", "X", "Y"}));
    // An independent reader sees the streams as laid out.
    const std::string script =
        "import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); "
        "print(' '.join(n+'='+o.openstream(n).read().hex() for n in ['X','MH','DV','TC']))";
    const std::string command = "/usr/bin/python3 -c \"" + script + "\" " + (dir / "plain.cfb").string() +
                                " > " + (dir / "bytes.txt").string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir / "bytes.txt");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "X=0201 MH=0000 DV=0000000000000000000000000000 TC=000000000000\n");

    cfg.IncludeProgramDV = 1;
    cfg.IncludePara = 1;
    ASSERT_TRUE(mgr.UploadValues());
    ASSERT_TRUE(WriteImageFile(path, info, cfg));
    const auto names = Elements(path);
    for (const char* name : {"FCS", "P", "ParaMgrInfo", "ParaStorage0", "ParaStorage2"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

TEST_F(ImageFileTest, RefusedImages) {
    CDevInfo info;
    CCfgExchange target;
    CParaMgr targetMgr;
    target.ParaMgr = &targetMgr;
    auto load = [&](const std::u16string& path) { return ReadImageFile(path, info, target); };

    EXPECT_EQ(load(File("missing.tkw")).step, ImageLoadOutcome::Step::NoFile);
    std::ofstream(dir / "short.tkw") << "IASH0123456789";
    EXPECT_EQ(load(File("short.tkw")).containerCode, kStoredContentError);
    std::ofstream(dir / "magic.tkw") << "XXXX0123456789abcdefgh";
    EXPECT_EQ(load(File("magic.tkw")).containerCode, kStoredFormatError);
    std::ofstream(dir / "body.txt") << "not a compound file at all";
    ASSERT_EQ(AddHeader(File("body.txt"), File("pcf.tkw"), kPcfIdentifier, false), 1);
    EXPECT_EQ(load(File("pcf.tkw")).containerCode, kStoredIDNotMatch);
    ASSERT_EQ(AddHeader(File("body.txt"), File("body.tkw"), kImageIdentifier, false), 1);
    target.DataValid = true;
    EXPECT_EQ(load(File("body.tkw")).step, ImageLoadOutcome::Step::NotOpened);
    EXPECT_FALSE(target.DataValid);

    // A sound image with one stream missing, or damaged counts.
    CDevInfo defaults;
    defaults.SetDefaults();
    ASSERT_TRUE(WriteImageFile(File("good.tkw"), defaults, cfg));
    ASSERT_TRUE(load(File("good.tkw")).ok());
    auto withStream = [&](const char* name, const char16_t* stream, std::vector<uint8_t> bytes) {
        return CraftImage(name, [&](IStorage* root) {
            cfg.SaveToStorage(root);
            if (!stream) {
                root->DestroyElement(u"TC");
                return;
            }
            StgPtr<IStream> s;
            root->CreateStream(stream, kImageCreateMode, 0, 0, s.Out());
            s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        });
    };
    target.DataValid = true;
    for (const auto& path : {withStream("notc.tkw", nullptr, {}),
                             withStream("negative.tkw", u"DH", {0xFF, 0xFF, 0, 0, 0, 0}),
                             withStream("oversized.tkw", u"DH", {0x01, 0x00, 0x00, 0x10, 0, 0})}) {
        const ImageLoadOutcome outcome = load(path);
        EXPECT_EQ(outcome.step, ImageLoadOutcome::Step::ContentFailed) << ToUtf8(path);
        EXPECT_TRUE(target.DataValid) << "left as it was";
    }
}

}  // namespace tarn::test
