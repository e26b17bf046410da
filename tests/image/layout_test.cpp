// What our writer puts on disk beyond what readers check (the directory's
// red-black trees in the format's name order), and reading a version 4 file
// (4096-byte sectors) that no tool here writes.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/storage/storage.h"
#include "platform/wide_string.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

using test::Pattern;

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct RawEntry {
    std::string name;
    uint8_t type, color;
    uint32_t left, right, child;
};

// The directory of a version 3 file, read with nothing but the header and FAT.
std::vector<RawEntry> Directory(const std::vector<uint8_t>& file) {
    auto fatEntry = [&](uint32_t s) {
        uint32_t fatSector = Get32(file, 0x4C + 4 * (s / 128));
        return Get32(file, 512 + fatSector * 512 + 4 * (s % 128));
    };
    std::vector<RawEntry> entries;
    for (uint32_t s = Get32(file, 0x30); s != 0xFFFFFFFE && entries.size() < 100000;
         s = fatEntry(s)) {
        for (int i = 0; i < 4; ++i) {
            size_t e = 512 + s * 512 + i * 128;
            RawEntry r;
            for (size_t u = 0; u + 2 < file[e + 0x40]; u += 2)
                r.name.push_back(static_cast<char>(file[e + u]));
            r.type = file[e + 0x42];
            r.color = file[e + 0x43];
            r.left = Get32(file, e + 0x44);
            r.right = Get32(file, e + 0x48);
            r.child = Get32(file, e + 0x4C);
            entries.push_back(r);
        }
    }
    return entries;
}

// The format's order for ASCII names: length first, then upper-cased letters.
bool NameBefore(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i) {
        int x = toupper(a[i]), y = toupper(b[i]);
        if (x != y) return x < y;
    }
    return false;
}

// Checks one storage's tree; returns its black height.
int CheckTree(const std::vector<RawEntry>& dir, uint32_t top, std::vector<std::string>* inOrder) {
    if (top == 0xFFFFFFFF) return 1;
    const RawEntry& e = dir.at(top);
    if (e.color == 0) {
        for (uint32_t kid : {e.left, e.right}) {
            if (kid != 0xFFFFFFFF) {
                EXPECT_EQ(dir.at(kid).color, 1) << "red " << e.name << " has a red child";
            }
        }
    }
    int left = CheckTree(dir, e.left, inOrder);
    inOrder->push_back(e.name);
    int right = CheckTree(dir, e.right, inOrder);
    EXPECT_EQ(left, right) << "black heights differ below " << e.name;
    return left + (e.color == 1 ? 1 : 0);
}

TEST(Layout, DirectoryTreesAreRedBlackInNameOrder) {
    test::TempDir dir;
    const std::u16string path = dir.WideFile("tree.stg");
    for (int count : {1, 2, 3, 4, 5, 7, 8, 300}) {
        {
            StgPtr<IStorage> root;
            ASSERT_EQ(StgCreateDocfile(path.c_str(), 0x1012, 0, root.Out()), S_OK);
            // Names of varied length and case, created in no particular order.
            for (int i = count - 1; i >= 0; --i) {
                std::u16string name =
                    FromUtf8((i % 2 ? "p" : "P") + std::to_string(i * 7919 % 1000));
                StgPtr<IStream> s;
                ASSERT_EQ(root->CreateStream(name.c_str(), 0x1012, 0, 0, s.Out()), S_OK);
            }
        }
        auto entries = Directory(test::ReadFileBytes(dir.File("tree.stg")));
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(entries[0].type, 5);
        EXPECT_EQ(entries[0].name, "Root Entry");
        std::vector<std::string> inOrder;
        CheckTree(entries, entries[0].child, &inOrder);
        ASSERT_EQ(inOrder.size(), static_cast<size_t>(count));
        EXPECT_EQ(entries.at(entries[0].child).color, 1) << "the top of a tree is black";
        for (size_t i = 1; i < inOrder.size(); ++i) {
            EXPECT_TRUE(NameBefore(inOrder[i - 1], inOrder[i]))
                << inOrder[i - 1] << " before " << inOrder[i];
        }
    }
}

// A version 4 file built by hand: FAT in sector 0, directory in 1, mini FAT in
// 2, mini stream in 3, and a 5000-byte stream in 4 and 5.
TEST(Layout, ReadsVersionFourFiles) {
    const uint32_t ss = 4096, end = 0xFFFFFFFE, none = 0xFFFFFFFF;
    std::vector<uint8_t> f(ss * 7, 0);
    const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(f.data(), sig, 8);
    Put16(f, 0x18, 0x3E);
    Put16(f, 0x1A, 4);
    Put16(f, 0x1C, 0xFFFE);
    Put16(f, 0x1E, 12);
    Put16(f, 0x20, 6);
    Put32(f, 0x28, 1);
    Put32(f, 0x2C, 1);
    Put32(f, 0x30, 1);
    Put32(f, 0x38, 4096);
    Put32(f, 0x3C, 2);
    Put32(f, 0x40, 1);
    Put32(f, 0x44, end);
    for (int i = 0; i < 109; ++i) Put32(f, 0x4C + 4 * i, i == 0 ? 0 : none);
    auto sector = [&](uint32_t s) { return size_t{s + 1} * ss; };
    for (uint32_t i = 0; i < ss / 4; ++i) Put32(f, sector(0) + 4 * i, none);
    const uint32_t fat[] = {0xFFFFFFFD, end, end, end, 5, end};
    for (uint32_t i = 0; i < 6; ++i) Put32(f, sector(0) + 4 * i, fat[i]);
    for (uint32_t i = 0; i < ss / 4; ++i) Put32(f, sector(2) + 4 * i, none);
    Put32(f, sector(2), 1);  // "Small": mini sectors 0 and 1
    Put32(f, sector(2) + 4, end);
    auto entry = [&](uint32_t id, const char* name, uint8_t type, uint32_t left, uint32_t right,
                     uint32_t child, uint32_t start, uint64_t size) {
        size_t e = sector(1) + id * 128;
        size_t n = strlen(name);
        for (size_t i = 0; i < n; ++i) Put16(f, e + 2 * i, static_cast<uint8_t>(name[i]));
        Put16(f, e + 0x40, static_cast<uint16_t>(2 * (n + 1)));
        f[e + 0x42] = type;
        f[e + 0x43] = 1;
        Put32(f, e + 0x44, left);
        Put32(f, e + 0x48, right);
        Put32(f, e + 0x4C, child);
        Put32(f, e + 0x74, start);
        Put32(f, e + 0x78, static_cast<uint32_t>(size));
        Put32(f, e + 0x7C, static_cast<uint32_t>(size >> 32));
    };
    entry(0, "Root Entry", 5, none, none, 1, 3, 128);
    entry(1, "Large", 2, 2, none, none, 4, 5000);
    entry(2, "Small", 2, none, none, none, 0, 100);
    const auto small = Pattern(100, 1), large = Pattern(5000, 2);
    std::memcpy(&f[sector(3)], small.data(), small.size());
    std::memcpy(&f[sector(4)], large.data(), large.size());

    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorageOnMemory(f, root.Out()), S_OK);
    for (auto [name, expected] : {std::pair{u"Small", &small}, {u"Large", &large}}) {
        StgPtr<IStream> s;
        ASSERT_EQ(root->OpenStream(name, nullptr, 0x10, 0, s.Out()), S_OK);
        std::vector<uint8_t> back(expected->size());
        ASSERT_EQ(s->Read(back.data(), static_cast<ULONG>(back.size()), nullptr), S_OK);
        EXPECT_TRUE(back == *expected);
    }
    // The upper half of a size counts in version 4.
    Put32(f, sector(1) + 128 + 0x7C, 1);
    EXPECT_TRUE(FAILED(StgOpenStorageOnMemory(f, root.Out())));
}

}  // namespace
}  // namespace tarn
