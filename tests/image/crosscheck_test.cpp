// Our compound files against independent readers and writers. One folder tree is
// the sample: streams of every size class at the top, nested storages, a storage
// of 300 elements, and a stream of 8 MB that needs more than 109 FAT sectors and so
// the DIFAT. Our layer, olefile in strict mode and gsf must read exactly that tree
// from the file we write from it, and our layer exactly that tree from the file
// gsf writes from it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <map>
#include <optional>
#include <sstream>

#include "tests/image/test_files.h"

#ifndef TARN_IMAGE_TEST_DIR
#error "TARN_IMAGE_TEST_DIR must name the folder of the image tests"
#endif

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Runs a shell command and returns its standard output; *status gets the exit status.
inline std::string RunCommand(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return *status = -1, out;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    int rc = ::pclose(pipe);
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// Element path ("a/b/c") to its bytes, or to nothing for a storage.
using Tree = std::map<std::string, std::optional<std::vector<uint8_t>>>;

Tree FromFolder(const fs::path& folder, const std::string& prefix = "") {
    Tree tree;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        auto& item = tree[prefix + fs::relative(e.path(), folder).string()];
        if (!e.is_directory()) item = ReadFileBytes(e.path());
    }
    return tree;
}

// Released without Commit: in direct mode the bytes are in the file all the same.
void WriteFolder(IStorage* storage, const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::u16string name = FromUtf8(e.path().filename().string());
        StgPtr<IStorage> sub;
        if (!e.is_directory()) {
            ASSERT_EQ(WriteStream(storage, name, ReadFileBytes(e.path())), S_OK) << e.path();
        } else {
            ASSERT_EQ(storage->CreateStorage(name.c_str(), kCreate, 0, 0, sub.Out()), S_OK);
            WriteFolder(sub.get(), e.path());
        }
    }
}

void ReadStorage(IStorage* storage, const std::string& prefix, Tree* tree) {
    std::vector<STATSTG> elements;
    ASSERT_EQ(storage->EnumElements(&elements), S_OK);
    for (const STATSTG& e : elements) {
        auto& item = (*tree)[prefix + ToUtf8(e.name)];
        StgPtr<IStorage> sub;
        if (e.type != STGTY_STORAGE) {
            item = ReadStream(storage, e.name);
        } else {
            ASSERT_EQ(storage->OpenStorage(e.name.c_str(), nullptr, kOpen, nullptr, 0, sub.Out()),
                      S_OK);
            ReadStorage(sub.get(), prefix + ToUtf8(e.name) + "/", tree);
        }
    }
}

Tree ReadWithOurLayer(const std::u16string& path) {
    Tree tree;
    StgPtr<IStorage> root;
    EXPECT_EQ(StgOpenStorage(path.c_str(), nullptr, kOpen, nullptr, 0, root.Out()), S_OK);
    if (root) ReadStorage(root.get(), "", &tree);
    return tree;
}

void ExpectSame(const Tree& expected, const Tree& actual, const char* reader) {
    EXPECT_EQ(expected.size(), actual.size()) << reader;
    for (const auto& [name, bytes] : expected) {
        auto it = actual.find(name);
        EXPECT_TRUE(it != actual.end() && it->second == bytes) << reader << " differs in " << name;
    }
}

class CrossCheck : public ::testing::Test {
protected:
    void SetUp() override {
        uint32_t seed = 1;
        auto put = [&](const std::string& rel, size_t size) {
            WriteFileBytes(m_dir.path() / "Src" / rel, Pattern(size, seed++));
        };
        for (size_t size : {0, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097})
            put("S" + std::to_string(size), size);
        put("Outer/ParaVal", 100);
        put("Outer/Inner/Deep", 70000);
        for (int i = 0; i < 300; ++i) put("Many/ParaItem" + std::to_string(i), i % 7 * 13);
        put("Big", 8u << 20);
        m_sample = FromFolder(m_dir.path() / "Src");
    }
    bool Have(const std::string& check) {
        int status = 0;
        RunCommand(check + " >/dev/null 2>&1", &status);
        return status == 0;
    }
    TempDir m_dir;
    Tree m_sample;
};

TEST_F(CrossCheck, OurLayerOlefileAndGsfReadOurFilesExactly) {
    const std::string file = m_dir.File("ours.stg").string();
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(m_dir.WideFile("ours.stg").c_str(), kCreate, 0, root.Out()),
                  S_OK);
        WriteFolder(root.get(), m_dir.path() / "Src");
    }
    ExpectSame(m_sample, ReadWithOurLayer(m_dir.WideFile("ours.stg")), "our layer");
    std::string missing;
    int status = 0;
    // olefile copies the file out as a folder tree.
    if (Have("/usr/bin/python3 -c 'import olefile'")) {
        std::string out = RunCommand("/usr/bin/python3 " TARN_IMAGE_TEST_DIR "/olefile_dump.py '" +
                                         file + "' '" + m_dir.File("ole").string() + "' 2>&1",
                                     &status);
        ASSERT_EQ(status, 0) << out;
        ExpectSame(m_sample, FromFolder(m_dir.File("ole")), "olefile");
    } else {
        missing += " python3-olefile";
    }
    // gsf list: "d <size> <path>" or "f <date> <time> <size> <path>", and a first
    // line that names the file.
    if (Have("command -v gsf")) {
        std::string listing = RunCommand("gsf list '" + file + "' 2>&1", &status);
        ASSERT_EQ(status, 0) << listing;
        Tree read;
        std::istringstream lines(listing);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream fields(line);
            std::vector<std::string> f;
            for (std::string w; fields >> w;) f.push_back(w);
            if (f.size() < 3 || f[0].size() != 1 || f.back() == "*root*") continue;
            auto& item = read[f.back()];
            if (f[0] == "d") continue;
            std::string bytes = RunCommand("gsf cat '" + file + "' '" + f.back() + "'", &status);
            EXPECT_EQ(status, 0) << f.back();
            EXPECT_EQ(std::to_string(bytes.size()), f[f.size() - 2]) << f.back();
            item = std::vector<uint8_t>(bytes.begin(), bytes.end());
        }
        ExpectSame(m_sample, read, "gsf");
    } else {
        missing += " libgsf-bin";
    }
    if (!missing.empty()) GTEST_SKIP() << "not installed:" << missing;
}

TEST_F(CrossCheck, WeReadWhatGsfWritesExactly) {
    if (!Have("command -v gsf")) GTEST_SKIP() << "gsf (libgsf-bin) is not installed";
    int status = 0;
    std::string out =
        RunCommand("cd '" + m_dir.path().string() + "' && gsf createole gsf.stg Src 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    Tree expected = FromFolder(m_dir.path() / "Src", "Src/");
    expected["Src"];
    ExpectSame(expected, ReadWithOurLayer(m_dir.WideFile("gsf.stg")), "our layer");
}

}  // namespace
}  // namespace tarn
