// Block download (0xF5) and upload (0xF6): request bytes, chunking, the traces
// left in the last message, and the reply checks.
#include <cstring>
#include <numeric>

#include "link/link_packet.h"
#include "link_fixture.h"

namespace tarn::test {

namespace {

std::vector<uint16_t> Words(size_t n, uint16_t first = 0x0100) {
    std::vector<uint16_t> words(n);
    std::iota(words.begin(), words.end(), first);
    return words;
}

// Block address and word count of each logged download request.
std::vector<std::pair<int, int>> Blocks(const std::vector<Bytes>& sent) {
    std::vector<std::pair<int, int>> blocks;
    for (const auto& f : sent) blocks.emplace_back(f[4] << 8 | f[5], (f[2] - 3) / 2);
    return blocks;
}

// An upload reply of four words' length (its CRC to come) with the given
// function and length bytes.
Bytes UploadReply(uint8_t function, uint8_t length) {
    Bytes reply{0x01, function, length};
    reply.resize(14, 0);
    return reply;
}

}  // namespace

TEST_F(LinkTest, DownloadBlockRequestAndTrace) {
    const auto words = Words(5);
    ASSERT_TRUE(link.Download_Block(1, 3, 10, 5, words.data())) << Error();
    ASSERT_EQ(Sent().size(), 1u);
    const Bytes request = Sent()[0];
    EXPECT_EQ(request.size(), 18u);
    EXPECT_EQ(Hex(request).substr(0, 18), "01 F5 0D 03 00 0A ");
    EXPECT_EQ(drive.Model().Area(3), (std::vector<uint16_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x100,
                                                            0x101, 0x102, 0x103, 0x104}));
    // A successful block leaves its traces as the last message.
    Bytes reply{0x01, 0xF5, 0x0D, 0x03, 0x00, 0x0A};
    sim::AppendFrameCrc(reply);
    EXPECT_EQ(Error(), "CMD : " + Hex(request) + "\nIN  : " + Hex(reply) + "\n");
}

TEST_F(LinkTest, DownloadDataGoesInBlocksOfFive) {
    for (uint16_t count : {0, 5, 7, 12}) {
        drive.ClearRequests();
        const auto words = Words(count);
        ASSERT_TRUE(link.Download_Data(1, 2, count, words.data())) << Error();
        std::vector<std::pair<int, int>> expected;
        for (int at = 0; at < count; at += 5) expected.emplace_back(at, std::min(5, count - at));
        EXPECT_EQ(Blocks(Sent()), expected) << count << " words";
    }
    EXPECT_EQ(drive.Model().Area(2), Words(12));

    drive.ClearRequests();
    const auto words = Words(7, 0x0A00);
    ASSERT_TRUE(link.Download_DataAt(1, 4, 7, words.data(), 100));
    EXPECT_EQ(Blocks(Sent()), (std::vector<std::pair<int, int>>{{100, 5}, {105, 2}}));
    EXPECT_EQ(drive.Model().Area(4)[106], 0x0A06);
}

TEST_F(LinkTest, DownloadStopsAtTheFirstFailedBlock) {
    // The second block is refused three times.
    drive.SetReplyHook([](const sim::LoggedRequest& r, const Bytes&) -> std::optional<Bytes> {
        if (r.frame[5] == 0) return std::nullopt;  // block at address 0 goes through
        Bytes reply{0x01, 0x75, 0x0D, 0x02, 0x00, 0x05};
        sim::AppendFrameCrc(reply);
        return WrapLinkPacket(kLinkTypeRtuResponse, reply);
    });
    const auto words = Words(12);
    EXPECT_FALSE(link.Download_Data(1, 2, 12, words.data()));
    EXPECT_EQ(Error().substr(0, 37), "Download Err ! Not Supported !\nCMD : ");
    EXPECT_NE(Error().find("\nIN  : 01 75 0D 02 00 05 "), std::string::npos);
    EXPECT_EQ(Fault().kind, Exception);
    // One good block, three attempts of the second, and no third block.
    EXPECT_EQ(Blocks(Sent()), (std::vector<std::pair<int, int>>{{0, 5}, {5, 5}, {5, 5}, {5, 5}}));
}

TEST_F(LinkTest, UploadBlockReadsWhatWasDownloaded) {
    drive.Model().SetArea(6, Words(60, 0x8001));
    std::vector<uint16_t> out(44, 0);
    ASSERT_TRUE(link.Upload_Block(1, 6, 10, 44, out.data())) << Error();
    EXPECT_EQ(out, Words(44, 0x800B));
    const Bytes request = Sent()[0];
    EXPECT_EQ(Hex(request).substr(0, 21), "01 F6 04 06 00 0A 2C ");
    EXPECT_EQ(request.size(), 9u);
}

TEST_F(LinkTest, BlockReplyChecks) {
    const auto words = Words(2);
    uint16_t out[4] = {9, 9, 9, 9};
    // Four words expect 16 bytes; a length byte of 5 returns one word once the
    // CRC over the first 8 bytes has passed.
    Bytes oneWord{0x01, 0xF6, 0x05, 0x06, 0x00, 0x00, 0x12, 0x85};
    sim::AppendFrameCrc(oneWord);
    oneWord.resize(16, 0xEE);
    ReplyWith(oneWord, false);
    ASSERT_TRUE(link.Upload_Block(1, 6, 0, 4, out)) << Error();
    EXPECT_EQ(out[0], 0x1285);
    EXPECT_EQ(out[1], 9);

    const struct {
        bool upload;
        Bytes reply;
        bool appendCrc;
        const char* message;  // a download's is followed by its traces
        LinkFaultKind kind;
    } kCases[] = {
        {false, {0x01, 0xF5, 0x07}, true, "Read Data Length Error !\n", PacketCheck},
        {false, {0x01, 0xF5, 0x07, 0x01, 0x00, 0x00, 0x00, 0x00}, false, "Read CRC Check Error !\n", Crc},
        {true, UploadReply(0xF6, 0x06), true, "Upload Err ! Data Length Error !", PacketCheck},
        {true, UploadReply(0x76, 0x0B), true, "Upload Err ! Not Supported !", Exception},
        // A 5-byte reply passes the length test and is judged by what follows.
        {true, {0x01, 0xF6, 0x03}, true, "Upload Err ! Data Length Error !", PacketCheck},
        {true, {0x01, 0xF6, 0x05, 0x06}, true, "Read Data Length Error !", PacketCheck},
        {true, UploadReply(0xF6, 0xFF), true, "Read CRC Check Error !", Crc},  // never past the caller's words
    };
    for (const auto& c : kCases) {
        ReplyWith(c.reply, c.appendCrc);
        EXPECT_FALSE(c.upload ? link.Upload_Block(1, 6, 0, 4, out) : link.Download_Block(1, 1, 0, 2, words.data()));
        EXPECT_EQ(c.upload ? Error() : Error().substr(0, std::strlen(c.message)), c.message);
        EXPECT_EQ(Fault().kind, c.kind) << c.message;
    }
    drive.SetReplyHook(nullptr);
    drive.SetFaults({.dropReplies = -1});
    EXPECT_FALSE(link.Download_Block(1, 1, 0, 2, words.data()));
    EXPECT_EQ(Error().substr(0, 23), "Comm port read Error !\n");
    EXPECT_NE(Error().find("\nIN  : \n"), std::string::npos) << "nothing came back";
    EXPECT_EQ(Fault(), LinkFault{TimeOut});
    const auto many = Words(48);
    EXPECT_FALSE(link.Download_Block_RTU(1, 1, 0, 48, many.data())) << "more than the request holds";
    EXPECT_EQ(Fault(), LinkFault{Request});
}

TEST_F(LinkTest, InAsciiTheBlockFunctionsAndTheTripleReadDoNothing) {
    ASSERT_TRUE(link.SetupPort(1, 3, 12000, 4096));  // 9600 baud, ASCII
    drive.SetAsciiFraming(true);
    uint16_t words[2] = {7, 7};
    EXPECT_TRUE(link.Upload_Block(1, 3, 0, 2, words));
    EXPECT_EQ(words[0], 7);
    EXPECT_TRUE(link.Download_Data(1, 3, 2, words));
    uint16_t a = 0, b = 0, c = 0;
    EXPECT_FALSE(link.Read_Triple(1, &a, &b, &c));
    EXPECT_EQ(Error(), "") << "no message of its own";
    EXPECT_TRUE(drive.Requests().empty());
}

}  // namespace tarn::test
