// Our compound files against independent readers and writers: olefile in strict
// mode and gsf must read exactly what we wrote, and we must read exactly what
// gsf wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "platform/storage/storage.h"
#include "platform/wide_string.h"
#include "tests/image/test_files.h"

#ifndef TARN_IMAGE_TEST_DIR
#error "TARN_IMAGE_TEST_DIR must name the folder of the image tests"
#endif

namespace tarn {
namespace {

namespace fs = std::filesystem;
using test::Pattern;
using test::RunCommand;
using test::TempDir;

constexpr DWORD kCreate = 0x1012;
constexpr DWORD kOpen = 0x10;

// Element path ("a/b/c") to its bytes; storages map to an empty set of bytes
// and are told apart by the key set below.
struct Contents {
    std::map<std::string, std::vector<uint8_t>> streams;
    std::set<std::string> storages;
};

void WriteStreamTo(IStorage* storage, const std::string& name, const std::vector<uint8_t>& bytes) {
    StgPtr<IStream> stream;
    ASSERT_EQ(storage->CreateStream(FromUtf8(name).c_str(), kCreate, 0, 0, stream.Out()), S_OK)
        << name;
    ASSERT_EQ(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK) << name;
}

// The sample: streams of every size class at the top, nested storages, a
// storage of 300 elements, and a stream of 8 MB that needs more than 109 FAT
// sectors and so the DIFAT.
Contents WriteSample(const std::u16string& path) {
    Contents c;
    StgPtr<IStorage> root;
    EXPECT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
    if (!root) return c;
    uint32_t seed = 1;
    for (size_t size : {0, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097}) {
        std::string name = "S" + std::to_string(size);
        c.streams[name] = Pattern(size, seed++);
        WriteStreamTo(root.get(), name, c.streams[name]);
    }
    StgPtr<IStorage> outer, inner, many;
    EXPECT_EQ(root->CreateStorage(u"Outer", kCreate, 0, 0, outer.Out()), S_OK);
    EXPECT_EQ(outer->CreateStorage(u"Inner", kCreate, 0, 0, inner.Out()), S_OK);
    EXPECT_EQ(root->CreateStorage(u"Many", kCreate, 0, 0, many.Out()), S_OK);
    c.storages = {"Outer", "Outer/Inner", "Many"};
    c.streams["Outer/ParaVal"] = Pattern(100, seed++);
    WriteStreamTo(outer.get(), "ParaVal", c.streams["Outer/ParaVal"]);
    c.streams["Outer/Inner/Deep"] = Pattern(5000, seed++);
    WriteStreamTo(inner.get(), "Deep", c.streams["Outer/Inner/Deep"]);
    for (int i = 0; i < 300; ++i) {
        std::string name = "ParaItem" + std::to_string(i);
        c.streams["Many/" + name] = Pattern(static_cast<size_t>(i % 7) * 13, seed++);
        WriteStreamTo(many.get(), name, c.streams["Many/" + name]);
    }
    c.streams["Big"] = Pattern(8u << 20, seed++);
    WriteStreamTo(root.get(), "Big", c.streams["Big"]);
    EXPECT_EQ(root->Commit(0), S_OK);
    return c;
}

// Reads a whole file through our layer, walking every storage.
Contents ReadWithOurLayer(const std::u16string& path) {
    Contents c;
    StgPtr<IStorage> root;
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    if (!root) return c;
    // The root stays open while its elements are read.
    std::vector<std::pair<std::string, IStorage*>> work{{"", root.get()}};
    std::vector<StgPtr<IStorage>> open;
    while (!work.empty()) {
        auto [prefix, storage] = work.back();
        work.pop_back();
        std::vector<STATSTG> elements;
        EXPECT_EQ(storage->EnumElements(&elements), S_OK);
        for (const STATSTG& e : elements) {
            std::string name = prefix + ToUtf8(e.name);
            if (e.type == STGTY_STORAGE) {
                StgPtr<IStorage> sub;
                EXPECT_EQ(
                    storage->OpenStorage(e.name.c_str(), nullptr, kOpen, nullptr, 0, sub.Out()),
                    S_OK);
                c.storages.insert(name);
                work.emplace_back(name + "/", sub.get());
                open.push_back(std::move(sub));
            } else {
                StgPtr<IStream> stream;
                EXPECT_EQ(storage->OpenStream(e.name.c_str(), nullptr, kOpen, 0, stream.Out()),
                          S_OK);
                std::vector<uint8_t> bytes(e.size);
                EXPECT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr),
                          S_OK);
                c.streams[name] = std::move(bytes);
            }
        }
    }
    return c;
}

void ExpectSameContents(const Contents& expected, const Contents& actual, const char* reader) {
    EXPECT_EQ(expected.storages, actual.storages) << reader;
    ASSERT_EQ(expected.streams.size(), actual.streams.size()) << reader;
    for (const auto& [name, bytes] : expected.streams) {
        auto it = actual.streams.find(name);
        ASSERT_NE(it, actual.streams.end()) << reader << " lacks " << name;
        EXPECT_TRUE(it->second == bytes) << reader << " differs in " << name;
    }
}

bool HaveOlefile() {
    int status = 0;
    RunCommand("/usr/bin/python3 -c 'import olefile' 2>/dev/null", &status);
    return status == 0;
}

bool HaveGsf() {
    int status = 0;
    RunCommand("command -v gsf >/dev/null 2>&1", &status);
    return status == 0;
}

TEST(CrossCheck, OlefileInStrictModeReadsOurFilesExactly) {
    if (!HaveOlefile()) GTEST_SKIP() << "python3-olefile is not installed";
    TempDir dir;
    Contents written = WriteSample(dir.WideFile("sample.stg"));
    fs::create_directory(dir.File("out"));
    int status = 0;
    std::string listing = RunCommand("/usr/bin/python3 " TARN_IMAGE_TEST_DIR "/olefile_dump.py '" +
                                         dir.File("sample.stg").string() + "' '" +
                                         dir.File("out").string() + "' 2>&1",
                                     &status);
    ASSERT_EQ(status, 0) << listing;
    Contents read;
    std::istringstream lines(listing);
    std::string kind, name;
    while (lines >> kind >> name) {
        if (kind == "storage") {
            read.storages.insert(name);
        } else {
            size_t size = 0;
            lines >> size;
            read.streams[name] = test::ReadFileBytes(dir.File("out") / name);
            EXPECT_EQ(read.streams[name].size(), size) << name;
        }
    }
    ExpectSameContents(written, read, "olefile");
}

TEST(CrossCheck, GsfListsAndCatsOurFilesExactly) {
    if (!HaveGsf()) GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
    TempDir dir;
    const std::string file = dir.File("sample.stg").string();
    Contents written = WriteSample(dir.WideFile("sample.stg"));
    int status = 0;
    std::string listing = RunCommand("gsf list '" + file + "' 2>&1", &status);
    ASSERT_EQ(status, 0) << listing;
    // Lines: "d <size> <path>" or "f <date> <time> <size> <path>"; the first
    // line names the file.
    Contents read;
    std::istringstream lines(listing);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string w; fields >> w;) f.push_back(w);
        if (f.size() < 3 || f[0].size() != 1) continue;
        const std::string& name = f.back();
        if (f[0] == "d") {
            if (name != "*root*") read.storages.insert(name);
        } else {
            std::string bytes = RunCommand("gsf cat '" + file + "' '" + name + "'", &status);
            EXPECT_EQ(status, 0) << name;
            EXPECT_EQ(std::to_string(bytes.size()), f[f.size() - 2]) << name;
            read.streams[name].assign(bytes.begin(), bytes.end());
        }
    }
    ExpectSameContents(written, read, "gsf");
}

TEST(CrossCheck, WeReadWhatGsfWritesExactly) {
    if (!HaveGsf()) GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
    TempDir dir;
    // A folder tree that gsf turns into storages and streams.
    const fs::path src = dir.File("Src");
    fs::create_directories(src / "Outer" / "Inner");
    fs::create_directories(src / "Many");
    Contents expected;
    expected.storages = {"Src", "Src/Outer", "Src/Outer/Inner", "Src/Many"};
    uint32_t seed = 7;
    auto put = [&](const std::string& rel, size_t size) {
        expected.streams["Src/" + rel] = Pattern(size, seed++);
        test::WriteFileBytes(src / rel, expected.streams["Src/" + rel]);
    };
    for (size_t size : {0, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097})
        put("S" + std::to_string(size), size);
    put("Outer/Inner/Deep", 70000);
    put("Outer/Small", 10);
    for (int i = 0; i < 40; ++i) put("Many/Item" + std::to_string(i), static_cast<size_t>(i) * 37);
    put("Big", 3u << 20);
    int status = 0;
    std::string out =
        RunCommand("cd '" + dir.path().string() + "' && gsf createole gsf.stg Src 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    ExpectSameContents(expected, ReadWithOurLayer(dir.WideFile("gsf.stg")), "our layer");
}

}  // namespace
}  // namespace tarn
