// One parameter: values by kind, display text, reading text back within the
// limits, and its five streams.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "image/file_io.h"
#include "params/para_item.h"
#include "platform/wide_string.h"

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

TEST(ParaItem, ValuesByKind) {
    CParaItem u16 = Item(kAttrUnsigned, 0xFFFF, 0);
    u16.m_Value[0] = 0xFFFF;
    EXPECT_EQ(u16.GetValue(0), 65535);
    EXPECT_EQ(Text(u16.FormatValue()), "65535");
    u16.SetValue(-1, 0);
    EXPECT_EQ(u16.m_Value[0], 65535);

    CParaItem s16 = Item(0, 100, -100);
    s16.SetValue(65531, 0);
    EXPECT_EQ(s16.m_Value[0], -5);
    EXPECT_EQ(Text(s16.FormatValue()), "-5");

    CParaItem s32 = Item(kAttr32Bit);
    s32.SetValue(-70000, 1);
    EXPECT_EQ(s32.GetValue(1), -70000);
    CParaItem u32 = Item(kAttr32Bit | kAttrUnsigned, 0xFFFFFFFF, 0);
    u32.SetValue(-1, 0);
    EXPECT_EQ(u32.GetValue(0), 0xFFFFFFFFll);
    EXPECT_EQ(u32.GetUpperLimit(), 0xFFFFFFFFll) << "zero-extended when unsigned";
    EXPECT_EQ(Item(0, -1).GetUpperLimit(), -1) << "sign-extended when signed";
}

TEST(ParaItem, DisplayText) {
    CParaItem fixed = Item(0x0003, 100000, -100000);  // two decimals
    fixed.m_Value[0] = 1250;
    EXPECT_EQ(Text(fixed.FormatValue()), "12.50");
    EXPECT_EQ(fixed.ParseValue(u"12.50", 1), kParseStored);
    EXPECT_EQ(fixed.m_Value[1], 1250);
    fixed.m_Value[0] = -5;
    EXPECT_EQ(Text(fixed.FormatValue()), "-0.05");

    CParaItem hex = Item(0xC000, 0xFFFF, 0);
    hex.m_Value[0] = 26;
    EXPECT_EQ(Text(hex.FormatValue()), "0x001A");
    CParaItem hex32 = Item(0xC000 | kAttr32Bit, 0xFFFFFFFF, 0);
    hex32.m_Value[0] = 26;
    EXPECT_EQ(Text(hex32.FormatValue()), "0x0000001A");

    CParaItem p519 = Item(kAttr32Bit, 0x7FFFFFFF, 0, 0, 5, 19);
    p519.m_Value[0] = 1500000;
    EXPECT_EQ(Text(p519.FormatValue()), "1.500000");
    EXPECT_EQ(p519.ParseValue(u"2.25", 0), kParseStored);
    EXPECT_EQ(p519.m_Value[0], 2250000);
    CParaItem p519short = Item(0x0002, 0x7FFF, 0, 0, 5, 19);  // one decimal, 16 bits
    p519short.m_Value[0] = 15;
    EXPECT_EQ(Text(p519short.FormatValue()), "1.5");
    EXPECT_EQ(p519short.ParseValue(u"1.5", 0), kParseAboveUpper)
        << "six decimals whatever the attribute: 1500000 is above 0x7FFF";

    EXPECT_EQ(Text(Item(kAttrDefaultDependsOnDevice).FormatDefault()), "Depend on Devices");
    EXPECT_EQ(Text(Item(0, 100, 0, 42).FormatDefault()), "42");
    EXPECT_EQ(Text(Item(0x0003, 100000, 0, 1250).FormatDefault()), "12.50");
    // The default goes through single precision: 2^24 + 1 becomes 2^24.
    EXPECT_EQ(Text(Item(0x0002 | kAttr32Bit, 0x7FFFFFFF, 0, 16777217).FormatDefault()), "1677721.6");
}

TEST(ParaItem, ParseWithinLimits) {
    CParaItem item = Item(0, 100, -100, 7);
    EXPECT_EQ(item.m_Value[0], 7) << "SetDefinition stores the default";
    EXPECT_EQ(item.ParseValue(u"101", 0), kParseAboveUpper);
    EXPECT_EQ(item.ParseValue(u"-101", 0), kParseBelowLower);
    EXPECT_EQ(item.m_Value[0], 7) << "nothing stored";
    EXPECT_EQ(item.ParseValue(u"99999999999", 0), kParseOutOfRange);
    EXPECT_EQ(item.ParseValue(u"  -12abc", 0), kParseStored);
    EXPECT_EQ(item.m_Value[0], -12);
    EXPECT_EQ(item.ParseValue(u"abc", 0), kParseStored) << "no number reads as 0";
    EXPECT_EQ(item.m_Value[0], 0);

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
    void SetUp() override {
        path = std::filesystem::temp_directory_path() /
               ("tarn-item-" + std::to_string(::getpid()) + ".cfb");
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::u16string Path() const { return FromUtf8(path.string()); }
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
    std::filesystem::path path;
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
