// The stored-file container: header placement and checks, scrambling, the gzip
// copy, and the CRC-32 it rests on.
#include "image/stored_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "image/crc32.h"
#include "platform/wide_string.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

using test::Pattern;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

TEST(Crc32, AgreesWithZlib) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(check, sizeof check), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    for (size_t size : {1, 15, 16, 255, 4097}) {
        auto bytes = Pattern(size, static_cast<uint32_t>(size));
        EXPECT_EQ(Crc32(bytes.data(), size), crc32(0, bytes.data(), static_cast<uInt>(size)))
            << size;
    }
}

TEST(StoredFile, MessagesAreTheFixedTable) {
    const char16_t* expected[] = {u"Fail",
                                  u"OK",
                                  u"ID match",
                                  u"ID is not match",
                                  u"Open file error",
                                  u"Allocate memory fail",
                                  u"The Content is error",
                                  u"File format error",
                                  u"CRC error",
                                  u"Version error"};
    for (int code = 0; code < 10; ++code)
        EXPECT_EQ(std::u16string(StoredFileMessage(code)), expected[code]);
    EXPECT_EQ(std::u16string(StoredFileMessage(10)), u"Fail");
}

TEST(StoredFile, LeadingHeaderAddedCheckedAndStripped) {
    TempDir dir;
    const auto content = Pattern(3000, 1);
    WriteFileBytes(dir.File("image"), content);
    const std::u16string image = dir.WideFile("image");
    // In place, as an image save does it.
    ASSERT_EQ(AddHeader(image, image, kImageIdentifier, false), kStoredOK);
    auto wrapped = ReadFileBytes(dir.File("image"));
    ASSERT_EQ(wrapped.size(), content.size() + 16);
    const uint8_t head[12] = {'I', 'A', 'S', 'H', 1, 0, 2, 0, 3, 0, 16, 0};
    EXPECT_TRUE(std::equal(head, head + 12, wrapped.begin()));
    std::vector<uint8_t> zeroed(wrapped.begin(), wrapped.begin() + 16);
    std::fill(zeroed.begin() + 12, zeroed.end(), 0);
    uint32_t crc = static_cast<uint32_t>(crc32(0, zeroed.data(), 16));
    EXPECT_EQ(wrapped[12] | wrapped[13] << 8 | wrapped[14] << 16 | uint32_t{wrapped[15]} << 24,
              crc);

    uint16_t type = 99, id = 99;
    EXPECT_EQ(CheckHeader(image, &type, &id), kStoredOK);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(id, 3);
    ASSERT_EQ(StripHeader(image, dir.WideFile("copy")), kStoredOK);
    EXPECT_EQ(ReadFileBytes(dir.File("copy")), content);
    ASSERT_EQ(StripHeader(image, image), kStoredOK);
    EXPECT_EQ(ReadFileBytes(dir.File("image")), content);
}

TEST(StoredFile, TrailingHeaderFollowsTheContent) {
    TempDir dir;
    const auto content = Pattern(100, 2);
    WriteFileBytes(dir.File("pcf"), content);
    ASSERT_EQ(AddHeader(dir.WideFile("pcf"), dir.WideFile("pcf"), kPcfIdentifier, true), kStoredOK);
    auto bytes = ReadFileBytes(dir.File("pcf"));
    ASSERT_EQ(bytes.size(), 116u);
    EXPECT_TRUE(std::equal(content.begin(), content.end(), bytes.begin()));
    const uint8_t tail[12] = {16, 0, 5, 0, 2, 0, 0, 1, 'I', 'A', 'S', 'H'};
    EXPECT_TRUE(std::equal(tail, tail + 12, bytes.begin() + 104));
    std::vector<uint8_t> header(bytes.begin() + 100, bytes.end());
    std::fill(header.begin(), header.begin() + 4, 0);
    uint32_t crc = static_cast<uint32_t>(crc32(0, header.data(), 16));
    EXPECT_EQ(bytes[100] | bytes[101] << 8 | bytes[102] << 16 | uint32_t{bytes[103]} << 24, crc);
}

TEST(StoredFile, DamagedHeadersAreRefusedWithTheirCodes) {
    TempDir dir;
    WriteFileBytes(dir.File("good"), Pattern(64, 3));
    ASSERT_EQ(AddHeader(dir.WideFile("good"), dir.WideFile("good"), kImageIdentifier, false),
              kStoredOK);
    const auto good = ReadFileBytes(dir.File("good"));
    const std::u16string bad = dir.WideFile("bad");
    auto check = [&](std::vector<uint8_t> bytes) {
        WriteFileBytes(dir.File("bad"), bytes);
        uint16_t type = 7, id = 7;
        int rc = CheckHeader(bad, &type, &id);
        if (rc != kStoredOK) {
            EXPECT_TRUE(type == 0 && id == 0);
        }
        return rc;
    };
    auto withCrc = [](std::vector<uint8_t> bytes) {
        std::fill(bytes.begin() + 12, bytes.begin() + 16, 0);
        uint32_t crc = Crc32(bytes.data(), 16);
        for (int i = 0; i < 4; ++i) bytes[12 + i] = static_cast<uint8_t>(crc >> (8 * i));
        return bytes;
    };

    EXPECT_EQ(check(std::vector<uint8_t>(good.begin(), good.begin() + 15)), kStoredContentError);
    EXPECT_EQ(StripHeader(bad, dir.WideFile("out")), kStoredContentError);
    EXPECT_EQ(CheckHeader(dir.WideFile("missing"), nullptr, nullptr), kStoredOpenError);
    EXPECT_EQ(StripHeader(dir.WideFile("missing"), dir.WideFile("out")), kStoredOpenError);

    // The magic is compared without regard to case; the CRC covers it as written.
    auto lower = good;
    lower[0] = 'i', lower[2] = 's';
    EXPECT_EQ(check(withCrc(lower)), kStoredOK);
    EXPECT_EQ(check(lower), kStoredCRCError);

    auto magic = good;
    magic[3] = 'X';
    EXPECT_EQ(check(magic), kStoredFormatError);
    EXPECT_EQ(StripHeader(bad, dir.WideFile("out")), kStoredFormatError);

    for (size_t i : {4, 6, 8, 13}) {
        auto changed = good;
        changed[i] ^= 0x01;
        EXPECT_EQ(check(changed), kStoredCRCError) << "byte " << i;
    }
    auto version2 = good;
    version2[4] = 2;
    EXPECT_EQ(check(withCrc(version2)), kStoredVersionError);

    // A header length other than 16 is no header of this format, even with a good CRC.
    for (uint8_t length : {0, 15, 17, 200}) {
        auto odd = good;
        odd[10] = length;
        EXPECT_EQ(check(withCrc(odd)), kStoredFormatError) << int{length};
        EXPECT_EQ(StripHeader(bad, dir.WideFile("out")), kStoredFormatError);
    }
}

TEST(StoredFile, ScramblingTwiceRestoresTheBytes) {
    TempDir dir;
    const auto content = Pattern(1001, 4);
    WriteFileBytes(dir.File("f"), content);
    const std::u16string f = dir.WideFile("f");
    ASSERT_EQ(ScrambleFile(f, f), kStoredOK);
    auto scrambled = ReadFileBytes(dir.File("f"));
    ASSERT_EQ(scrambled.size(), content.size());
    const uint8_t key[3] = {0x3C, 0x5A, 0x96};
    for (size_t i = 0; i < content.size(); ++i)
        ASSERT_EQ(scrambled[i], content[i] ^ key[i % 3]) << i;
    ASSERT_EQ(ScrambleFile(f, dir.WideFile("g")), kStoredOK);
    EXPECT_EQ(ReadFileBytes(dir.File("g")), content);
    EXPECT_EQ(ScrambleFile(dir.WideFile("missing"), f), kStoredOpenError);
    EXPECT_EQ(ScrambleFile(f, dir.WideFile("no/such/dir")), kStoredOpenError);
    // Empty files pass through.
    WriteFileBytes(dir.File("empty"), {});
    EXPECT_EQ(ScrambleFile(dir.WideFile("empty"), dir.WideFile("empty")), kStoredOK);
}

TEST(StoredFile, CompressCopyWritesTheScrambledBytesAsGzip) {
    TempDir dir;
    const auto content = Pattern(2500, 5);
    WriteFileBytes(dir.File("pcf"), content);
    const std::u16string pcf = dir.WideFile("pcf");
    // In place, as the PCF save does it.
    ASSERT_EQ(CompressCopy(pcf, pcf, true), 2500);
    int status = 0;
    std::string unzipped = test::RunCommand("zcat '" + dir.File("pcf").string() + "'", &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(unzipped.size(), content.size());
    const uint8_t key[3] = {0x3C, 0x5A, 0x96};
    for (size_t i = 0; i < content.size(); ++i) {
        ASSERT_EQ(static_cast<uint8_t>(unzipped[i]), content[i] ^ key[i % 3]) << i;
    }
    // Without compress: a scrambled copy and 1.
    WriteFileBytes(dir.File("plain"), content);
    EXPECT_EQ(CompressCopy(dir.WideFile("plain"), dir.WideFile("copy"), false), 1);
    EXPECT_EQ(ReadFileBytes(dir.File("plain")), content);
    EXPECT_EQ(ReadFileBytes(dir.File("copy")).size(), content.size());
    EXPECT_EQ(CompressCopy(dir.WideFile("missing"), dir.WideFile("copy"), true), 0);
}

}  // namespace
}  // namespace tarn
