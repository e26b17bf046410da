// What our writer puts on disk beyond what readers check (the directory's
// red-black trees in the format's name order), and reading a version 4 file
// (4096-byte sectors) that no tool here writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/image/test_files.h"

namespace tarn {
namespace {

using namespace test;

constexpr uint32_t kEnd = 0xFFFFFFFE, kNone = 0xFFFFFFFF;

struct RawEntry {
    std::string name;
    uint8_t type, color;
    uint32_t left, right, child;
};

// The directory of a version 3 file, read with nothing but the header and FAT.
std::vector<RawEntry> Directory(const std::vector<uint8_t>& file) {
    auto next = [&](uint32_t s) {
        return Get32(file, 512 + Get32(file, 0x4C + 4 * (s / 128)) * 512 + 4 * (s % 128));
    };
    std::vector<RawEntry> entries;
    for (uint32_t s = Get32(file, 0x30); s != kEnd && entries.size() < 100000; s = next(s)) {
        for (size_t e = 512 + s * 512; e < 1024 + s * 512; e += 128) {
            RawEntry r{"",
                       file[e + 0x42],
                       file[e + 0x43],
                       Get32(file, e + 0x44),
                       Get32(file, e + 0x48),
                       Get32(file, e + 0x4C)};
            for (size_t u = 0; u + 2 < file[e + 0x40]; u += 2) r.name.push_back(char(file[e + u]));
            entries.push_back(r);
        }
    }
    return entries;
}

// The format's order for ASCII names: length first, then upper-cased letters.
bool NameBefore(std::string a, std::string b) {
    if (a.size() != b.size()) return a.size() < b.size();
    std::transform(a.begin(), a.end(), a.begin(), ::toupper);
    std::transform(b.begin(), b.end(), b.begin(), ::toupper);
    return a < b;
}

// Checks one storage's tree (no red node with a red child, equal black heights)
// and lists it in order; returns its black height.
int CheckTree(const std::vector<RawEntry>& dir, uint32_t top, std::vector<std::string>* inOrder) {
    if (top == kNone) return 1;
    const RawEntry& e = dir.at(top);
    for (uint32_t kid : {e.left, e.right})
        EXPECT_FALSE(e.color == 0 && kid != kNone && dir.at(kid).color == 0) << "red " << e.name;
    int left = CheckTree(dir, e.left, inOrder);
    inOrder->push_back(e.name);
    EXPECT_EQ(left, CheckTree(dir, e.right, inOrder)) << "black heights differ below " << e.name;
    return left + e.color;
}

TEST(Layout, DirectoryTreesAreRedBlackInNameOrder) {
    TempDir dir;
    for (int count : {1, 2, 3, 4, 5, 7, 8, 300}) {
        {
            StgPtr<IStorage> root;
            ASSERT_EQ(StgCreateDocfile(dir.WideFile("tree.stg").c_str(), kCreate, 0, root.Out()),
                      S_OK);
            // Names of varied length and case, created in no particular order.
            for (int i = count - 1; i >= 0; --i)
                ASSERT_EQ(WriteStream(
                              root.get(),
                              FromUtf8((i % 2 ? "p" : "P") + std::to_string(i * 7919 % 1000)), {}),
                          S_OK);
        }
        auto entries = Directory(ReadFileBytes(dir.File("tree.stg")));
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries[0].type, 5);
        EXPECT_EQ(entries[0].name, "Root Entry");
        std::vector<std::string> inOrder;
        CheckTree(entries, entries[0].child, &inOrder);
        ASSERT_EQ(inOrder.size(), static_cast<size_t>(count));
        EXPECT_EQ(entries.at(entries[0].child).color, 1) << "the top of a tree is black";
        for (size_t i = 1; i < inOrder.size(); ++i)
            EXPECT_TRUE(NameBefore(inOrder[i - 1], inOrder[i])) << inOrder[i - 1] << inOrder[i];
    }
}

// A version 4 file built by hand: FAT in sector 0, directory in 1, mini FAT in
// 2, mini stream in 3, and a 5000-byte stream in 4 and 5.
TEST(Layout, ReadsVersionFourFiles) {
    const uint32_t ss = 4096;
    std::vector<uint8_t> f(ss * 7, 0);
    auto sector = [&](uint32_t s) { return size_t{s + 1} * ss; };
    const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(f.data(), sig, 8);
    std::fill_n(&f[0x4C], 109 * 4, 0xFF);  // DIFAT: only the FAT sector 0
    std::fill_n(&f[sector(0)], ss, 0xFF);
    std::fill_n(&f[sector(2)], ss, 0xFF);
    // Header words from 0x18: versions 0x3E and 4; byte order and sector shift 12;
    // mini sector shift 6; -; one directory sector; one FAT sector; directory in 1;
    // -; cutoff 4096; mini FAT in 2; one mini FAT sector; no DIFAT sector; FAT in 0.
    const uint32_t header[] = {0x0004003E, 0x000CFFFE, 6, 0, 1, 1, 1, 0, 4096, 2, 1, kEnd, 0, 0};
    // FAT: its own sector, one-sector chains for directory, mini FAT and mini stream,
    // and "Large" in 4 and 5.
    const uint32_t fat[] = {0xFFFFFFFD, kEnd, kEnd, kEnd, 5, kEnd};
    for (size_t i = 0; i < std::size(header); ++i) Put32(f, 0x18 + 4 * i, header[i]);
    for (size_t i = 0; i < std::size(fat); ++i) Put32(f, sector(0) + 4 * i, fat[i]);
    Put32(f, sector(2), 1);  // mini FAT: "Small" in mini sectors 0 and 1
    Put32(f, sector(2) + 4, kEnd);
    auto entry = [&](uint32_t id, const std::u16string& name, uint8_t type, uint32_t left,
                     uint32_t child, uint32_t start, uint32_t size) {
        size_t e = sector(1) + id * 128;
        std::memcpy(&f[e], name.c_str(), 2 * name.size() + 2);
        f[e + 0x40] = static_cast<uint8_t>(2 * (name.size() + 1));
        f[e + 0x42] = type;
        f[e + 0x43] = 1;
        for (auto [at, value] :
             {std::pair{0x44, left}, {0x48, kNone}, {0x4C, child}, {0x74, start}, {0x78, size}})
            Put32(f, e + at, value);
    };
    entry(0, u"Root Entry", 5, kNone, 1, 3, 128);
    entry(1, u"Large", 2, 2, kNone, 4, 5000);
    entry(2, u"Small", 2, kNone, kNone, 0, 100);
    const auto small = Pattern(100, 1), large = Pattern(5000, 2);
    std::memcpy(&f[sector(3)], small.data(), small.size());
    std::memcpy(&f[sector(4)], large.data(), large.size());

    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorageOnMemory(f, root.Out()), S_OK);
    EXPECT_EQ(ReadStream(root.get(), u"Small"), small);
    EXPECT_EQ(ReadStream(root.get(), u"Large"), large);
    // The upper half of a size counts in version 4.
    Put32(f, sector(1) + 128 + 0x7C, 1);
    EXPECT_TRUE(FAILED(StgOpenStorageOnMemory(f, root.Out())));
}

}  // namespace
}  // namespace tarn
