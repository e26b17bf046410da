// Damaged and hostile compound files: each must give a failing HRESULT and no
// root, never a crash or a hang. The damage is done to a small file of our own
// writer, whose layout the header tells.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/storage/storage.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

using test::Pattern;

constexpr DWORD kCreate = 0x1012;

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A file with a stream in the mini stream ("Small", 100 bytes), one in its own
// sectors ("Large", 5000 bytes) and a storage with a small stream.
class Malformed : public ::testing::Test {
protected:
    void SetUp() override {
        const std::u16string path = m_dir.WideFile("base.stg");
        {
            StgPtr<IStorage> root;
            ASSERT_EQ(StgCreateDocfile(path.c_str(), kCreate, 0, root.Out()), S_OK);
            for (auto [name, size] : {std::pair{u"Small", 100}, {u"Large", 5000}}) {
                StgPtr<IStream> s;
                ASSERT_EQ(root->CreateStream(name, kCreate, 0, 0, s.Out()), S_OK);
                ASSERT_EQ(s->Write(Pattern(size, size).data(), size, nullptr), S_OK);
            }
            StgPtr<IStorage> sub;
            ASSERT_EQ(root->CreateStorage(u"Sub", kCreate, 0, 0, sub.Out()), S_OK);
            StgPtr<IStream> s;
            ASSERT_EQ(sub->CreateStream(u"Inner", kCreate, 0, 0, s.Out()), S_OK);
            ASSERT_EQ(s->Write(Pattern(200, 2).data(), 200, nullptr), S_OK);
        }
        m_base = test::ReadFileBytes(m_dir.File("base.stg"));
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
    static uint32_t IdOf(size_t entryOffset, size_t dirSector) {
        return static_cast<uint32_t>((entryOffset - dirSector) / 128);
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

    test::TempDir m_dir;
    std::vector<uint8_t> m_base;
};

TEST_F(Malformed, TruncatedAtEverySectorBoundary) {
    ASSERT_EQ(m_base.size() % 512, 0u);
    for (size_t cut = 0; cut < m_base.size(); cut += 512) {
        std::vector<uint8_t> bytes(m_base.begin(), m_base.begin() + static_cast<ptrdiff_t>(cut));
        test::WriteFileBytes(m_dir.File("cut.stg"), bytes);
        StgPtr<IStorage> root;
        EXPECT_TRUE(FAILED(StgOpenStorage(m_dir.WideFile("cut.stg").c_str(), nullptr, 0x10, nullptr,
                                          0, root.Out())))
            << "cut at " << cut;
        EXPECT_FALSE(root);
    }
}

TEST_F(Malformed, BrokenChains) {
    uint32_t large = Get32(m_base, Entry(u"Large") + 0x74);
    uint32_t small = Get32(m_base, Entry(u"Small") + 0x74);
    uint32_t miniFat = Get32(m_base, 0x3C);
    struct Damage {
        const char* what;
        size_t at;
        uint32_t value;
    } damages[] = {
        {"FAT cycle back to the stream's start", FatEntry(large + 4), large},
        {"FAT self-loop", FatEntry(large), large},
        {"two streams sharing sectors", Entry(u"Large") + 0x74, Get32(m_base, 0x30)},
        {"stream start out of range", Entry(u"Large") + 0x74, 100000},
        {"FAT link out of range", FatEntry(large + 1), 0x7FFFFFFF},
        {"free sector inside a chain", FatEntry(large + 2), 0xFFFFFFFF},
        {"directory start out of range", 0x30, 5000},
        {"FAT sector out of range", 0x4C, 0xFFFFFFF0},
        {"stream size beyond the file", Entry(u"Large") + 0x78, 1000000},
        {"root size beyond the file", DirSector() + 0x78, 0x7FFFFFC0},
        {"mini chain leaves the mini stream", SectorAt(miniFat) + 4 * small, 500},
        {"mini chain cycle", SectorAt(miniFat) + 4 * (small + 1), small},
        {"stream start beyond the mini stream", Entry(u"Small") + 0x74, 4000},
        {"more FAT sectors than the DIFAT holds", 0x2C, 200},
        {"FAT count beyond the file", 0x2C, 0x40000000},
    };
    for (const Damage& d : damages) {
        std::vector<uint8_t> bytes = m_base;
        Put32(bytes, d.at, d.value);
        EXPECT_TRUE(FAILED(Open(bytes))) << d.what;
    }
}

TEST_F(Malformed, BrokenDirectory) {
    size_t dir = DirSector();
    size_t small = Entry(u"Small"), large = Entry(u"Large"), sub = Entry(u"Sub"),
           inner = Entry(u"Inner");
    uint32_t rootChild = Get32(m_base, dir + 0x4C);
    auto with = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = m_base;
        Put32(bytes, at, value);
        return bytes;
    };
    // Links that lead back into the tree: each entry may be reached once only.
    EXPECT_TRUE(FAILED(Open(with(small + 0x44, IdOf(small, dir))))) << "left link to itself";
    EXPECT_TRUE(FAILED(Open(with(inner + 0x48, rootChild))))
        << "sibling link into the parent's tree";
    EXPECT_TRUE(FAILED(Open(with(sub + 0x4C, IdOf(sub, dir))))) << "storage containing itself";
    EXPECT_TRUE(FAILED(Open(with(sub + 0x4C, 0)))) << "root linked as an element";
    EXPECT_TRUE(FAILED(Open(with(large + 0x44, 9999)))) << "link out of range";
    // Fields of one entry.
    std::vector<uint8_t> bytes = m_base;
    bytes[large + 0x42] = 7;
    EXPECT_TRUE(FAILED(Open(bytes))) << "unknown entry type";
    bytes = m_base;
    bytes[large + 0x40] = 70;
    EXPECT_TRUE(FAILED(Open(bytes))) << "name longer than 31 units";
    bytes = m_base;
    bytes[dir + 0x42] = 1;
    EXPECT_TRUE(FAILED(Open(bytes))) << "first entry not the root";
    bytes = m_base;
    std::memcpy(&bytes[large], u"SMALL", 10);
    EXPECT_TRUE(FAILED(Open(bytes))) << "two elements of one name";
    bytes = m_base;
    bytes[small] = 0;
    bytes[small + 1] = 0;
    EXPECT_TRUE(FAILED(Open(bytes))) << "empty name";
}

TEST_F(Malformed, HeaderFieldsOutsideTheFormat) {
    struct Field {
        const char* what;
        size_t at;
        uint8_t value;
    } fields[] = {
        {"signature", 0, 0xD1},         {"byte order", 0x1C, 0xFF},
        {"major version", 0x1A, 5},     {"sector shift", 0x1E, 12},
        {"mini sector shift", 0x20, 7}, {"mini stream cutoff", 0x39, 0x20},
    };
    for (const Field& f : fields) {
        std::vector<uint8_t> bytes = m_base;
        bytes[f.at] = f.value;
        EXPECT_TRUE(FAILED(Open(bytes))) << f.what;
    }
    EXPECT_TRUE(FAILED(Open({}))) << "empty file";
    EXPECT_TRUE(FAILED(Open(std::vector<uint8_t>(m_base.begin(), m_base.begin() + 100))))
        << "part of a header";
}

}  // namespace
}  // namespace tarn
