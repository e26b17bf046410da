// The device record in an image: defaults without its stream, the 22-byte
// stream, and the round trip.
#include "image/dev_info.h"

#include <gtest/gtest.h>

#include "tests/image/test_files.h"

namespace tarn {
namespace {

TEST(DevInfo, MissingStreamGivesTheDefaults) {
    CDevInfo info;
    EXPECT_EQ(info.m_wIdent1, 0);
    EXPECT_EQ(info.m_nMainVersion, 0);
    EXPECT_EQ(info.LoadFromStorage(nullptr, 0), S_OK);
    EXPECT_EQ(info.m_wIdent2, 6);

    test::TempDir dir;
    StgPtr<IStorage> root;
    ASSERT_EQ(StgCreateDocfile(dir.WideFile("old.tkw").c_str(), 0x1012, 0, root.Out()), S_OK);
    CDevInfo loaded;
    loaded.m_nExtension = 77;
    EXPECT_EQ(loaded.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(loaded.m_wIdent1, 3);
    EXPECT_EQ(loaded.m_wIdent2, 6);
    EXPECT_EQ(loaded.m_wIdent3, 5);
    EXPECT_EQ(loaded.m_nMainVersion, 3005);
    EXPECT_EQ(loaded.m_nSubVersion, 11);
    EXPECT_EQ(loaded.m_nReserved, 0);
    EXPECT_EQ(loaded.m_nExtension, 0);
    EXPECT_EQ(loaded.SaveToStorage(nullptr), E_FAIL);
    EXPECT_EQ(loaded.Reserved1() | loaded.Reserved2() | loaded.Reserved3(), 0);
}

TEST(DevInfo, StreamOfTwentyTwoBytesRoundTrips) {
    test::TempDir dir;
    const std::u16string path = dir.WideFile("image.tkw");
    CDevInfo saved;
    saved.m_wIdent1 = -2;
    saved.m_wIdent2 = 8;
    saved.m_wIdent3 = 0x1234;
    saved.m_nMainVersion = 3005;
    saved.m_nSubVersion = -11;
    saved.m_nReserved = 0x01020304;
    saved.m_nExtension = 0x7FFFFFFF;
    {
        StgPtr<IStorage> root;
        ASSERT_EQ(StgCreateDocfile(path.c_str(), 0x1012, 0, root.Out()), S_OK);
        ASSERT_EQ(saved.SaveToStorage(root.get()), S_OK);
        // Saving again replaces the stream.
        ASSERT_EQ(saved.SaveToStorage(root.get()), S_OK);
        ASSERT_EQ(root->Commit(0), S_OK);
    }
    StgPtr<IStorage> root;
    ASSERT_EQ(StgOpenStorage(path.c_str(), nullptr, 0x10, nullptr, 0, root.Out()), S_OK);
    StgPtr<IStream> stream;
    ASSERT_EQ(root->OpenStream(u"DevInfo", nullptr, 0x10, 0, stream.Out()), S_OK);
    uint8_t bytes[32];
    ULONG got = 0;
    stream->Read(bytes, sizeof bytes, &got);
    ASSERT_EQ(got, 22u);
    const uint8_t expected[22] = {0xFE, 0xFF, 8,    0, 0x34, 0x12, 0xBD, 0x0B, 0,    0,    0xF5,
                                  0xFF, 0xFF, 0xFF, 4, 3,    2,    1,    0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_TRUE(std::equal(expected, expected + 22, bytes));
    stream.Reset();

    CDevInfo loaded;
    EXPECT_EQ(loaded.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(loaded.m_wIdent1, saved.m_wIdent1);
    EXPECT_EQ(loaded.m_wIdent2, saved.m_wIdent2);
    EXPECT_EQ(loaded.m_wIdent3, saved.m_wIdent3);
    EXPECT_EQ(loaded.m_nMainVersion, saved.m_nMainVersion);
    EXPECT_EQ(loaded.m_nSubVersion, saved.m_nSubVersion);
    EXPECT_EQ(loaded.m_nReserved, saved.m_nReserved);
    EXPECT_EQ(loaded.m_nExtension, saved.m_nExtension);
}

TEST(DevInfo, ShortStreamIsNotReportedAsGood) {
    test::TempDir dir;
    StgPtr<IStorage> root;
    ASSERT_EQ(StgCreateDocfile(dir.WideFile("short.tkw").c_str(), 0x1012, 0, root.Out()), S_OK);
    StgPtr<IStream> stream;
    ASSERT_EQ(root->CreateStream(u"DevInfo", 0x1012, 0, 0, stream.Out()), S_OK);
    const uint8_t bytes[10] = {1, 0, 2, 0, 3, 0, 4, 0, 0, 0};
    ASSERT_EQ(stream->Write(bytes, sizeof bytes, nullptr), S_OK);
    stream.Reset();
    CDevInfo loaded;
    EXPECT_NE(loaded.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(loaded.m_wIdent3, 3);
    EXPECT_EQ(loaded.m_nMainVersion, 4);
}

}  // namespace
}  // namespace tarn
