// Profile settings: the contract both profiles keep, the INI file's round trip of
// awkward texts, damaged files reading as defaults, atomic replacement, writers
// sharing a file. The contract holds for the system's own profile too (the
// registry on Windows).
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "platform/profile/ini_profile.h"
#include "platform/profile/memory_profile.h"
#include "tests/app_platform/fake_tree.h"
#include "tests/app_platform/system_profile.h"

namespace fs = std::filesystem;

namespace tarn {
namespace {

int FilesIn(const fs::path& folder) {
    return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
}

enum class Kind { Memory, Ini, System };

class ProfileContract : public ::testing::TestWithParam<Kind> {
protected:
    test::TempDir dir;
    std::unique_ptr<IProfile> profile = GetParam() == Kind::Ini      ? std::make_unique<IniProfile>(dir.path() / "a" / "p.ini")
                                        : GetParam() == Kind::Memory ? std::make_unique<MemoryProfile>()
                                                                     : test::SystemProfile();
};

TEST_P(ProfileContract, SettingsReadBackWithDefaultsAndCaseFreeNames) {
    EXPECT_EQ(profile->GetProfileInt(kSectionComm, kKeyComPortSel, 4), 4);
    EXPECT_EQ(profile->GetProfileString(kSectionComm, kKeyStation, u"d"), u"d");
    EXPECT_TRUE(profile->GetProfileSection(kSectionComm).empty());

    ASSERT_TRUE(profile->WriteProfileInt(kSectionComm, kKeyComPortSel, 12));
    ASSERT_TRUE(profile->WriteProfileString(kSectionComm, kKeyStation, u"0x7F"));
    ASSERT_TRUE(profile->WriteProfileInt(u"roz_comm", u"comportsel", -3));
    EXPECT_EQ(profile->GetProfileInt(u"ROZ_COMM", u"ComPortSel", 4), -3);
    // Only a whole number in range reads as one; blanks around it do not matter.
    EXPECT_EQ(profile->GetProfileInt(kSectionComm, kKeyStation, 9), 9);
    EXPECT_TRUE(profile->WriteProfileString(u"S", u"k", u" 17 "));
    EXPECT_EQ(profile->GetProfileInt(u"S", u"k", 0), 17);
    EXPECT_TRUE(profile->WriteProfileString(u"S", u"big", u"99999999999"));
    EXPECT_EQ(profile->GetProfileInt(u"S", u"big", 5), 5);
    auto entries = profile->GetProfileSection(u"Roz_Comm");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].first, u"ComPortSel");
    EXPECT_EQ(entries[0].second, u"-3");
    EXPECT_EQ(entries[1].second, u"0x7F");
    // Names a file cannot hold are refused and change nothing.
    for (auto [section, key] : {std::pair{kSectionComm, u"a=b"},
                                {kSectionComm, u""},
                                {u"A]B", u"k"},
                                {kSectionComm, u"k\n[x]"}})
        EXPECT_FALSE(profile->WriteProfileString(section, key, u"x")) << ToUtf8(key);
    EXPECT_EQ(profile->GetProfileSection(kSectionComm).size(), 2u);
}

// The system's own profile where there is one.
std::vector<Kind> KindsHere() {
    if (test::SystemProfile()) return {Kind::Memory, Kind::Ini, Kind::System};
    return {Kind::Memory, Kind::Ini};
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, ProfileContract, ::testing::ValuesIn(KindsHere()));

TEST(IniProfile, TextsSurviveTheFileAndAnotherReaderSeesThem) {
    test::TempDir dir;
    const fs::path file = dir.path() / "cfg" / "deep" / "TarnToolkit.ini";
    IniProfile writer(file), reader(file);
    const std::u16string texts[] = {
        u"",        u"  12 ", u"\"quoted\"", u"a\\b\"c", u"line\nbreak\r\tend",
        u"x=y;z#w", u"[not]", u"\x01\x7F",   u"\"",      u"\u53f0\u7063 \U0001F600",
    };
    auto key = [](size_t i) { return Widen("k" + std::to_string(i)); };
    for (size_t i = 0; i < std::size(texts); ++i)
        ASSERT_TRUE(writer.WriteProfileString(u"T", key(i), texts[i]));
    ASSERT_TRUE(writer.WriteProfileString(u"\u672c\u6a5f", u"\u9375", u"v"));
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(reader.GetProfileString(u"T", key(i), u"-"), texts[i]) << i;
    EXPECT_EQ(reader.GetProfileString(u"\u672c\u6a5f", u"\u9375", u"-"), u"v");

    // Rewriting a key keeps the others and leaves no temporary file behind.
    ASSERT_TRUE(reader.WriteProfileString(u"T", u"k1", u"new"));
    EXPECT_EQ(writer.GetProfileString(u"T", u"k1", u"-"), u"new");
    EXPECT_EQ(writer.GetProfileString(u"T", u"k4", u"-"), texts[4]);
    EXPECT_EQ(FilesIn(file.parent_path()), 1);
}

TEST(IniProfile, DamagedFilesReadAsDefaultsAndCanBeWrittenOver) {
    test::TempDir dir;
    const fs::path file = dir.path() / "p.ini";
    IniProfile profile(file);
    auto station = [&] { return profile.GetProfileString(kSectionComm, kKeyStation, u"dflt"); };
    auto port = [&] { return profile.GetProfileInt(kSectionComm, kKeyComPortSel, 4); };
    const std::string damaged[] = {
        std::string(1, '\0') + "\xFF\xFE[ROZ_COMM\nStation=3\n",
        "Station=3\nComPortSel=7\n",                       // keys before any section
        "[ROZ_COMM\nStation=3\n[ROZ_COMM]]\nStation=4\n",  // broken headers
        "[ROZ_COMM]\nComPortSel=4x\nComPortSel=7\n=3\n",   // the first key counts
        "[ROZ_COMM]\nComPortSel=0x10\nComPortSel=\n",
        // Oversized files are not profiles.
        "[ROZ_COMM]\nComPortSel=8\n" + std::string(IniProfile::kMaxFileSize, ';'),
    };
    for (const std::string& text : damaged) {
        test::WriteFileBytes(file, text);
        EXPECT_EQ(station(), u"dflt") << text.substr(0, 50);
        EXPECT_EQ(port(), 4) << text.substr(0, 50);
    }
    // Readable lines of a damaged file still count, and a write keeps them.
    test::WriteFileBytes(
        file,
        std::string("\xEF\xBB\xBF garbage\r\n[ROZ_COMM]\r\n ComPortSel = 9 \r\nStation=\xFFok\n"));
    EXPECT_EQ(port(), 9);
    EXPECT_EQ(station(), u"\xDCFF" u"ok") << "a byte that is no UTF-8 is kept as it came";
    ASSERT_TRUE(profile.WriteProfileString(kSectionComm, kKeyStation, u"5"));
    EXPECT_EQ(port(), 9);
    EXPECT_EQ(station(), u"5");
    // A directory where the file should be: defaults, and writes fail cleanly.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(port(), 4);
    EXPECT_FALSE(profile.WriteProfileInt(kSectionComm, kKeyComPortSel, 3));
    EXPECT_EQ(FilesIn(dir.path()), 1);
}

TEST(IniProfile, WritersOfTheSameFileLoseNoKeys) {
    test::TempDir dir;
    const fs::path file = dir.path() / "shared.ini";
    auto write = [&](const char* prefix) {
        IniProfile profile(file);  // an instance of its own, as another process has
        for (int i = 0; i < 15; ++i)
            ASSERT_TRUE(profile.WriteProfileInt(u"W", Widen(prefix + std::to_string(i)), i));
    };
    std::thread a(write, "a"), b(write, "b");
    a.join();
    b.join();
    EXPECT_EQ(IniProfile(file).GetProfileSection(u"W").size(), 30u);
}

}  // namespace
}  // namespace tarn
