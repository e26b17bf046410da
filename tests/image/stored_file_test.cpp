// The stored-file container: header placement and checks, scrambling, the gzip
// copy, and the CRC-32 it rests on.
#include "image/stored_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

#include "image/crc32.h"
#include "tests/image/test_files.h"

namespace tarn {
namespace {

using namespace test;

// A 16-byte header with its CRC set as the format has it: zlib's CRC-32 of the
// header with the four CRC bytes (from `at`) zeroed.
std::vector<uint8_t> WithCrc(std::vector<uint8_t> header, size_t at) {
    std::fill_n(header.begin() + static_cast<long>(at), 4, 0);
    uint32_t crc = static_cast<uint32_t>(crc32(0, header.data(), 16));
    Put32(header, at, crc);
    return header;
}

TEST(Crc32, AgreesWithZlib) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc32(check, sizeof check), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    for (size_t size : {1, 15, 16, 255, 4097}) {
        auto bytes = Pattern(size, static_cast<uint32_t>(size));
        EXPECT_EQ(Crc32(bytes.data(), size), crc32(0, bytes.data(), static_cast<uInt>(size)));
    }
}

TEST(StoredFile, HeadersAddedInFrontOrBehindCheckedAndStripped) {
    TempDir dir;
    const auto content = Pattern(3000, 1);
    WriteFileBytes(dir.File("image"), content);
    const std::u16string image = dir.WideFile("image");
    // In place, as an image save does it.
    ASSERT_EQ(AddHeader(image, image, kImageIdentifier, false), kStoredOK);
    auto wrapped = ReadFileBytes(dir.File("image"));
    ASSERT_EQ(wrapped.size(), content.size() + 16);
    const std::vector<uint8_t> head = {'I', 'A', 'S', 'H', 1, 0, 2, 0, 3, 0, 16, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(wrapped.begin(), wrapped.begin() + 16), WithCrc(head, 12));
    uint16_t type = 99, id = 99;
    EXPECT_EQ(CheckHeader(image, &type, &id), kStoredOK);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(id, 3);
    ASSERT_EQ(StripHeader(image, dir.WideFile("copy")), kStoredOK);
    EXPECT_EQ(ReadFileBytes(dir.File("copy")), content);
    ASSERT_EQ(StripHeader(image, image), kStoredOK);
    EXPECT_EQ(ReadFileBytes(dir.File("image")), content);

    // Behind the content, as a PCF save does it, and written the other way round.
    const std::u16string pcf = dir.WideFile("pcf");
    WriteFileBytes(dir.File("pcf"), Pattern(100, 2));
    ASSERT_EQ(AddHeader(pcf, pcf, kPcfIdentifier, true), kStoredOK);
    auto bytes = ReadFileBytes(dir.File("pcf"));
    ASSERT_EQ(bytes.size(), 116u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100), Pattern(100, 2));
    const std::vector<uint8_t> tail = {0, 0, 0, 0, 16, 0, 5, 0, 2, 0, 0, 1, 'I', 'A', 'S', 'H'};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 100, bytes.end()), WithCrc(tail, 0));
}

TEST(StoredFile, DamagedHeadersAreRefusedWithTheirCodes) {
    TempDir dir;
    WriteFileBytes(dir.File("good"), Pattern(64, 3));
    ASSERT_EQ(AddHeader(dir.WideFile("good"), dir.WideFile("good"), kImageIdentifier, false),
              kStoredOK);
    const auto good = ReadFileBytes(dir.File("good"));
    const std::u16string bad = dir.WideFile("bad"), out = dir.WideFile("out");
    auto check = [&](std::vector<uint8_t> bytes, bool fixCrc = false) {
        if (fixCrc) {
            auto header = WithCrc({bytes.begin(), bytes.begin() + 16}, 12);
            std::copy(header.begin(), header.end(), bytes.begin());
        }
        WriteFileBytes(dir.File("bad"), bytes);
        uint16_t type = 7, id = 7;
        int rc = CheckHeader(bad, &type, &id);
        EXPECT_TRUE(rc == kStoredOK || (type == 0 && id == 0));
        return rc;
    };
    auto changed = [&](size_t at, uint8_t value) {
        auto bytes = good;
        bytes[at] = value;
        return bytes;
    };

    EXPECT_EQ(check({good.begin(), good.begin() + 15}), kStoredContentError);
    EXPECT_EQ(StripHeader(bad, out), kStoredContentError);
    EXPECT_EQ(CheckHeader(dir.WideFile("missing"), nullptr, nullptr), kStoredOpenError);
    EXPECT_EQ(StripHeader(dir.WideFile("missing"), out), kStoredOpenError);
    // The magic is compared without regard to case; the CRC covers it as written.
    EXPECT_EQ(check(changed(2, 's'), true), kStoredOK);
    EXPECT_EQ(check(changed(2, 's')), kStoredCRCError);
    EXPECT_EQ(check(changed(3, 'X')), kStoredFormatError);
    EXPECT_EQ(StripHeader(bad, out), kStoredFormatError);
    for (size_t i : {4, 6, 8, 13}) EXPECT_EQ(check(changed(i, good[i] ^ 1)), kStoredCRCError) << i;
    EXPECT_EQ(check(changed(4, 2), true), kStoredVersionError);
    // A header length other than 16 is no header of this format, even with a good CRC.
    for (uint8_t length : {0, 15, 17, 200}) {
        EXPECT_EQ(check(changed(10, length), true), kStoredFormatError) << int{length};
        EXPECT_EQ(StripHeader(bad, out), kStoredFormatError);
    }
    EXPECT_EQ(std::u16string(StoredFileMessage(10)), u"Fail");  // codes beyond the table
}

TEST(StoredFile, ScramblingAndTheGzipCopyOfTheScrambledBytes) {
    TempDir dir;
    const auto content = Pattern(2500, 4);
    WriteFileBytes(dir.File("f"), content);
    const std::u16string f = dir.WideFile("f"), g = dir.WideFile("g");
    ASSERT_EQ(ScrambleFile(f, g), kStoredOK);
    const auto scrambled = ReadFileBytes(dir.File("g"));
    ASSERT_EQ(scrambled.size(), content.size());
    const uint8_t key[3] = {0x3C, 0x5A, 0x96};
    for (size_t i = 0; i < content.size(); ++i)
        ASSERT_EQ(scrambled[i], content[i] ^ key[i % 3]) << i;
    // Twice, in place, gives the bytes back.
    ASSERT_EQ(ScrambleFile(g, g), kStoredOK);
    EXPECT_EQ(ReadFileBytes(dir.File("g")), content);
    EXPECT_EQ(ScrambleFile(dir.WideFile("missing"), f), kStoredOpenError);
    EXPECT_EQ(ScrambleFile(f, dir.WideFile("no/such/dir")), kStoredOpenError);
    WriteFileBytes(dir.File("empty"), std::string());
    EXPECT_EQ(ScrambleFile(dir.WideFile("empty"), dir.WideFile("empty")), kStoredOK);

    // Without compress: a scrambled copy and 1, the source untouched.
    EXPECT_EQ(CompressCopy(f, g, false), 1);
    EXPECT_EQ(ReadFileBytes(dir.File("f")), content);
    EXPECT_EQ(ReadFileBytes(dir.File("g")), scrambled);
    EXPECT_EQ(CompressCopy(dir.WideFile("missing"), g, true), 0);
    // In place, as the PCF save does it: gzip of the scrambled bytes.
    ASSERT_EQ(CompressCopy(f, f, true), 2500);
    gzFile gz = gzopen(dir.File("f").string().c_str(), "rb");
    ASSERT_TRUE(gz);
    std::vector<uint8_t> unzipped(4096);
    unzipped.resize(static_cast<size_t>(std::max(0, gzread(gz, unzipped.data(), 4096))));
    EXPECT_EQ(gzclose(gz), Z_OK);
    EXPECT_TRUE(unzipped == scrambled);
}

}  // namespace
}  // namespace tarn
