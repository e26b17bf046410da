// Damaged and hostile compound files: each must give a failing HRESULT and no
// root, never a crash or a hang. The damage is done to a small file of our own
// writer, whose layout the header tells.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/image/test_files.h"

namespace tarn {
namespace {

using namespace test;

// A file with a stream in the mini stream ("Small", 100 bytes), one in its own
// sectors ("Large", 5000 bytes) and a storage with a small stream.
class Malformed : public ::testing::Test {
protected:
    void SetUp() override {
        {
            StgPtr<IStorage> root, sub;
            ASSERT_EQ(StgCreateDocfile(m_dir.WideFile("base.stg").c_str(), kCreate, 0, root.Out()),
                      S_OK);
            ASSERT_EQ(WriteStream(root.get(), u"Small", Pattern(100, 1)), S_OK);
            ASSERT_EQ(WriteStream(root.get(), u"Large", Pattern(5000, 2)), S_OK);
            ASSERT_EQ(root->CreateStorage(u"Sub", kCreate, 0, 0, sub.Out()), S_OK);
            ASSERT_EQ(WriteStream(sub.get(), u"Inner", Pattern(200, 3)), S_OK);
        }
        m_base = ReadFileBytes(m_dir.File("base.stg"));
        ASSERT_EQ(Open(m_base), S_OK);
    }

    static size_t SectorAt(uint32_t s) { return 512 + size_t{s} * 512; }
    size_t FatEntry(uint32_t s) const { return SectorAt(Get32(m_base, 0x4C)) + 4 * s; }
    size_t DirSector() const { return SectorAt(Get32(m_base, 0x30)); }
    // The directory entry of a name, located by its first letters.
    size_t Entry(const char16_t* name) const {
        for (size_t e = DirSector(); e < m_base.size(); e += 128) {
            if (std::memcmp(&m_base[e], name, 2 * std::char_traits<char16_t>::length(name)) == 0)
                return e;
        }
        ADD_FAILURE() << "no such entry";
        return DirSector();
    }

    // Opens bytes and walks every element; the first failure is returned.
    static HRESULT Open(const std::vector<uint8_t>& bytes) {
        StgPtr<IStorage> root;
        HRESULT hr = StgOpenStorageOnMemory(bytes, root.Out());
        if (FAILED(hr)) {
            EXPECT_FALSE(root);
            return hr;
        }
        std::vector<STATSTG> elements;
        return root->EnumElements(&elements);
    }

    TempDir m_dir;
    std::vector<uint8_t> m_base;
};

TEST_F(Malformed, TruncatedAtEverySectorBoundary) {
    ASSERT_EQ(m_base.size() % 512, 0u);
    for (size_t cut = 0; cut < m_base.size(); cut += 512) {
        WriteFileBytes(
            m_dir.File("cut.stg"),
            std::vector<uint8_t>(m_base.begin(), m_base.begin() + static_cast<long>(cut)));
        StgPtr<IStorage> root;
        EXPECT_TRUE(FAILED(StgOpenStorage(m_dir.WideFile("cut.stg").c_str(), nullptr, kOpen,
                                          nullptr, 0, root.Out())))
            << "cut at " << cut;
        EXPECT_FALSE(root);
    }
}

TEST_F(Malformed, DamagedChainsDirectoriesAndHeaders) {
    const size_t dir = DirSector(), small = Entry(u"Small"), large = Entry(u"Large"),
                 sub = Entry(u"Sub"), inner = Entry(u"Inner");
    const uint32_t largeStart = Get32(m_base, large + 0x74),
                   smallStart = Get32(m_base, small + 0x74);
    const size_t miniFat = SectorAt(Get32(m_base, 0x3C));
    auto id = [&](size_t entry) { return static_cast<uint32_t>((entry - dir) / 128); };
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
        int width = 4;
    } damages[] = {
        {"FAT cycle back to the stream's start", FatEntry(largeStart + 4), largeStart},
        {"FAT self-loop", FatEntry(largeStart), largeStart},
        {"two streams sharing sectors", large + 0x74, Get32(m_base, 0x30)},
        {"stream start out of range", large + 0x74, 100000},
        {"FAT link out of range", FatEntry(largeStart + 1), 0x7FFFFFFF},
        {"free sector inside a chain", FatEntry(largeStart + 2), 0xFFFFFFFF},
        {"directory start out of range", 0x30, 5000},
        {"FAT sector out of range", 0x4C, 0xFFFFFFF0},
        {"stream size beyond the file", large + 0x78, 1000000},
        {"root size beyond the file", dir + 0x78, 0x7FFFFFC0},
        {"mini chain leaves the mini stream", miniFat + 4 * smallStart, 500},
        {"mini chain cycle", miniFat + 4 * (smallStart + 1), smallStart},
        {"stream start beyond the mini stream", small + 0x74, 4000},
        {"more FAT sectors than the DIFAT holds", 0x2C, 200},
        {"FAT count beyond the file", 0x2C, 0x40000000},
        // Links that lead back into the tree: each entry may be reached once only.
        {"left link to itself", small + 0x44, id(small)},
        {"sibling link into the parent's tree", inner + 0x48, Get32(m_base, dir + 0x4C)},
        {"storage containing itself", sub + 0x4C, id(sub)},
        {"root linked as an element", sub + 0x4C, 0},
        {"link out of range", large + 0x44, 9999},
        {"unknown entry type", large + 0x42, 7, 1},
        {"name longer than 31 units", large + 0x40, 70, 1},
        {"first entry not the root", dir + 0x42, 1, 1},
        {"empty name", small, 0, 2},
        {"signature", 0, 0xD1, 1},
        {"byte order", 0x1C, 0xFF, 1},
        {"major version", 0x1A, 5, 1},
        {"sector shift", 0x1E, 12, 1},
        {"mini sector shift", 0x20, 7, 1},
        {"mini stream cutoff", 0x39, 0x20, 1},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = m_base;
        for (int i = 0; i < d.width; ++i)
            bytes[d.at + i] = static_cast<uint8_t>(d.value >> (8 * i));
        EXPECT_TRUE(FAILED(Open(bytes))) << d.what;
    }
    std::vector<uint8_t> bytes = m_base;
    std::memcpy(&bytes[large], u"SMALL", 10);
    EXPECT_TRUE(FAILED(Open(bytes))) << "two elements of one name";
    EXPECT_TRUE(FAILED(Open({}))) << "empty file";
    EXPECT_TRUE(FAILED(Open(std::vector<uint8_t>(m_base.begin(), m_base.begin() + 100))))
        << "part of a header";
}

}  // namespace
}  // namespace tarn
