// The device record in an image: defaults without its stream, the 22-byte
// stream, the round trip, and a short stream.
#include "image/dev_info.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/image/test_files.h"

namespace tarn {
namespace {

using namespace test;

auto Fields(const CDevInfo& d) {
    return std::tuple{d.m_wIdent1,     d.m_wIdent2,   d.m_wIdent3,   d.m_nMainVersion,
                      d.m_nSubVersion, d.m_nReserved, d.m_nExtension};
}

TEST(DevInfo, DefaultsWithoutTheStreamAndTheTwentyTwoByteRoundTrip) {
    TempDir dir;
    StgPtr<IStorage> root;
    ASSERT_EQ(StgCreateDocfile(dir.WideFile("image.tkw").c_str(), kCreate, 0, root.Out()), S_OK);
    // No storage, or an image without "DevInfo": the defaults over what was there.
    CDevInfo info;
    const auto defaults = std::tuple<int16_t, int16_t, int16_t, int32_t, int32_t, int32_t, int32_t>{
        3, 6, 5, 3005, 11, 0, 0};
    for (IStorage* storage : {static_cast<IStorage*>(nullptr), root.get()}) {
        info.m_nExtension = 77;
        EXPECT_EQ(info.LoadFromStorage(storage, 0), S_OK);
        EXPECT_EQ(Fields(info), defaults);
    }
    EXPECT_EQ(info.SaveToStorage(nullptr), E_FAIL);

    CDevInfo saved;
    saved.m_wIdent1 = -2;
    saved.m_wIdent2 = 8;
    saved.m_wIdent3 = 0x1234;
    saved.m_nMainVersion = 3005;
    saved.m_nSubVersion = -11;
    saved.m_nReserved = 0x01020304;
    saved.m_nExtension = 0x7FFFFFFF;
    ASSERT_EQ(saved.SaveToStorage(root.get()), S_OK);
    ASSERT_EQ(saved.SaveToStorage(root.get()), S_OK);  // saving again replaces the stream
    const std::vector<uint8_t> expected = {0xFE, 0xFF, 8,    0,    0x34, 0x12, 0xBD, 0x0B,
                                           0,    0,    0xF5, 0xFF, 0xFF, 0xFF, 4,    3,
                                           2,    1,    0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(ReadStream(root.get(), u"DevInfo"), expected);
    CDevInfo loaded;
    EXPECT_EQ(loaded.LoadFromStorage(root.get(), 0), S_OK);
    EXPECT_EQ(Fields(loaded), Fields(saved));

    // A stream cut short is not reported as good.
    ASSERT_EQ(WriteStream(root.get(), u"DevInfo", {1, 0, 2, 0, 3, 0, 4, 0, 0, 0}), S_OK);
    EXPECT_NE(loaded.LoadFromStorage(root.get(), 0), S_OK);
}

}  // namespace
}  // namespace tarn
