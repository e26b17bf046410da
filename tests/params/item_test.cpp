// One parameter: values by kind, display text, reading text back within the
// limits, and its five streams.
#include <gtest/gtest.h>

#include "image/file_io.h"
#include "params/para_item.h"
#include "platform/wide_string.h"
#include "tests/image/test_files.h"

namespace tarn::test {

namespace {

// An item with the given attribute word and limits (as 32-bit numbers).
CParaItem Item(uint16_t attributes, int64_t upper = 0x7FFFFFFF, int64_t lower = -0x7FFFFFFF - 1,
               int64_t def = 0, int group = 1, int number = 2) {
    CParaItem item;
    item.m_nGroup = group;
    item.m_nItem = number;
    uint16_t record[16] = {};
    auto put = [&](int at, int64_t v) {
        record[at] = static_cast<uint16_t>((v >> 16) & 0xFFFF);
        record[at + 1] = static_cast<uint16_t>(v & 0xFFFF);
    };
    put(0, upper);
    put(2, lower);
    put(4, def);
    record[6] = attributes;
    item.SetDefinition(record);
    return item;
}

std::string Text(const std::u16string& s) { return ToUtf8(s); }

}  // namespace

// Each kind of value: what SetValue keeps of a number, and its display text.
TEST(ParaItem, ValuesAndDisplayTextByKind) {
    struct {
        CParaItem item;
        int64_t set, value;
        const char* text;
    } cases[] = {
        {Item(kAttrUnsigned, 0xFFFF, 0), -1, 65535, "65535"},
        {Item(0, 100, -100), 65531, -5, "-5"},
        {Item(kAttr32Bit), -70000, -70000, "-70000"},
        {Item(kAttr32Bit | kAttrUnsigned, 0xFFFFFFFF, 0), -1, 0xFFFFFFFF, "4294967295"},
        {Item(0x0003, 100000, -100000), 1250, 1250, "12.50"},  // two decimals
        {Item(0x0003, 100000, -100000), -5, -5, "-0.05"},
        {Item(0xC000, 0xFFFF, 0), 26, 26, "0x001A"},
        {Item(0xC000 | kAttr32Bit, 0xFFFFFFFF, 0), 26, 26, "0x0000001A"},
        // P5-19 has six decimals whatever its attribute says.
        {Item(kAttr32Bit, 0x7FFFFFFF, 0, 0, 5, 19), 1500000, 1500000, "1.500000"},
        {Item(0x0002, 0x7FFF, 0, 0, 5, 19), 15, 15, "1.5"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.text);
        c.item.SetValue(c.set, 1);
        EXPECT_EQ(c.item.GetValue(1), c.value);
        c.item.SetValue(c.set, 0);
        EXPECT_EQ(Text(c.item.FormatValue()), c.text);
    }
    EXPECT_EQ(Item(kAttr32Bit | kAttrUnsigned, 0xFFFFFFFF, 0).GetUpperLimit(), 0xFFFFFFFFll)
        << "zero-extended when unsigned";
    EXPECT_EQ(Item(0, -1).GetUpperLimit(), -1) << "sign-extended when signed";

    EXPECT_EQ(Text(Item(kAttrDefaultDependsOnDevice).FormatDefault()), "Depend on Devices");
    EXPECT_EQ(Text(Item(0, 100, 0, 42).FormatDefault()), "42");
    EXPECT_EQ(Text(Item(0x0003, 100000, 0, 1250).FormatDefault()), "12.50");
    // The default goes through single precision: 2^24 + 1 becomes 2^24.
    EXPECT_EQ(Text(Item(0x0002 | kAttr32Bit, 0x7FFFFFFF, 0, 16777217).FormatDefault()), "1677721.6");
}

// Reading text back: what is stored, and the limits that keep the old value.
TEST(ParaItem, ParseWithinLimits) {
    struct {
        CParaItem item;
        const char16_t* text;
        int result;
        int64_t stored;
    } cases[] = {
        {Item(0, 100, -100, 7), u"101", kParseAboveUpper, 7},
        {Item(0, 100, -100, 7), u"-101", kParseBelowLower, 7},
        {Item(0, 100, -100, 7), u"99999999999", kParseOutOfRange, 7},
        {Item(0, 100, -100, 7), u"  -12abc", kParseStored, -12},
        {Item(0, 100, -100, 7), u"abc", kParseStored, 0},  // no number reads as 0
        {Item(0x0003, 100000, -100000), u"12.50", kParseStored, 1250},
        {Item(kAttr32Bit, 0x7FFFFFFF, 0, 0, 5, 19), u"2.25", kParseStored, 2250000},
        // Six decimals on 16 bits: 1500000 is above 0x7FFF.
        {Item(0x0002, 0x7FFF, 0, 0, 5, 19), u"1.5", kParseAboveUpper, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        EXPECT_EQ(c.item.ParseValue(c.text, 0), c.result);
        EXPECT_EQ(c.item.GetValue(0), c.stored);
    }

    CParaItem hex = Item(0xC000, 0xFFFF, 0, 0x1A);
    EXPECT_EQ(hex.m_Value[0], 0x1A) << "a hexadecimal default reads back as itself";

    CParaItem outOfLimits = Item(0, 10, 0, 50);
    EXPECT_EQ(outOfLimits.m_Value[0], 0) << "a default outside the limits is not stored";

    uint16_t record[16] = {0, 0xFFFF, 0, 0, 0, 0, kAttr32Bit, 0, 0, 0, 0, 0, 0, 0, 0xFFFF, 0xFFFE};
    CParaItem original;
    original.SetDefinition(record);
    EXPECT_EQ(original.m_OrgValue[0], 0xFFFFFFFEll) << "32 bits, upper half 0 even when signed";
    record[6] = kAttrUnsigned;
    original.SetDefinition(record);
    EXPECT_EQ(original.m_OrgValue[0], 0xFFFE);
}

class ParaItemStorage : public ::testing::Test {
protected:
    std::u16string Path() const { return dir.WideFile("item.cfb"); }
    // The bytes of a stream of the root.
    std::vector<uint8_t> StreamBytes(const char16_t* name) {
        StgPtr<IStorage> root;
        EXPECT_EQ(StgOpenStorage(Path().c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
        StgPtr<IStream> stream;
        EXPECT_EQ(root->OpenStream(name, nullptr, kImageOpenMode, 0, stream.Out()), S_OK);
        std::vector<uint8_t> bytes(256);
        ULONG got = 0;
        stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got);
        bytes.resize(got);
        return bytes;
    }
    TempDir dir;
};

TEST_F(ParaItemStorage, RoundTripAndStreamBytes) {
    CParaItem item = Item(kAttr32Bit, 1000, -1000, 3, -1, 4);
    item.m_Value[2] = -7;
    item.m_OrgValue[1] = 9;
    item.m_strComment = u"Gain ä";
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(Path().c_str(), kImageCreateMode, 0, root.Out()), S_OK);
        ASSERT_EQ(item.SaveToStorage(root.get()), S_OK);
    }
    EXPECT_EQ(StreamBytes(u"ParaItemInfo"),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 4, 0, 0, 0, 16, 0, 0, 0, 4, 0, 0, 0}));
    EXPECT_EQ(StreamBytes(u"ParaCfg").size(), 32u);
    EXPECT_EQ(StreamBytes(u"ParaVal").size(), 16u);
    EXPECT_EQ(StreamBytes(u"ParaCmt").size(), 4u + 2 * 6);

    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(Path().c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
    CParaItem loaded;
    ASSERT_EQ(loaded.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(loaded.m_nGroup, -1);
    EXPECT_EQ(loaded.m_nItem, 4);
    EXPECT_EQ(std::vector<uint16_t>(loaded.m_Cfg, loaded.m_Cfg + 16),
              std::vector<uint16_t>(item.m_Cfg, item.m_Cfg + 16));
    EXPECT_EQ(loaded.GetValue(2), -7);
    EXPECT_EQ(loaded.m_OrgValue[1], 9);
    EXPECT_EQ(loaded.m_strComment, u"Gain ä");
}

TEST_F(ParaItemStorage, MissingCommentAndOversizedRecord) {
    auto write = [&](uint32_t words, bool comment) {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(Path().c_str(), kImageCreateMode, 0, root.Out()), S_OK);
        const uint32_t info[4] = {1, 2, words, 4};
        const uint8_t zeros[64] = {};
        for (const char16_t* name : {u"ParaItemInfo", u"ParaCfg", u"ParaVal", u"ParaOrgVal"}) {
            StgPtr<IStream> s;
            ASSERT_EQ(root->CreateStream(name, kImageCreateMode, 0, 0, s.Out()), S_OK);
            if (name[4] == u'I')
                s->Write(info, sizeof info, nullptr);
            else
                s->Write(zeros, sizeof zeros, nullptr);
        }
        if (comment) {
            StgPtr<IStream> s;
            root->CreateStream(u"ParaCmt", kImageCreateMode, 0, 0, s.Out());
        }
    };
    write(16, false);
    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(Path().c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
    CParaItem item;
    item.m_strComment = u"old";
    EXPECT_EQ(item.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(item.m_strComment, u"");
    root.Reset();
    write(17, true);
    ASSERT_EQ(StgOpenStorage(Path().c_str(), nullptr, kImageOpenMode, nullptr, 0, root.Out()), S_OK);
    EXPECT_TRUE(FAILED(item.LoadFromStorage(root.get(), 0))) << "a record of 17 words is refused";
}

}  // namespace tarn::test
