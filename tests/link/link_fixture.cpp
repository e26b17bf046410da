#include "link_fixture.h"

#include "link/link_packet.h"
#include "platform/wide_string.h"
#include "sim/ascii_frames.h"

namespace tarn::test {

std::string ErrorOf(CHCT_COMM& link) { return ToUtf8(link.GetErrMsg()); }

void LinkTest::Open(bool ascii) {
    drive.SetAsciiFraming(ascii);
    ASSERT_EQ(link.OpenPort(drive.Path(), ascii ? 1 : kLinkBaudCode, ascii ? 3 : kLinkProtocolCode), 1);
    ASSERT_EQ(link.IsRtu(), !ascii);
}

void LinkTest::ReplyText(const std::string& text) {
    drive.SetReplyHook([text](const sim::LoggedRequest&, const Bytes&) -> std::optional<Bytes> {
        return Bytes(text.begin(), text.end());
    });
}

void LinkTest::ReplyFramed(const Bytes& bytes, bool swapCheck) {
    Bytes withCrc = bytes;
    sim::AppendFrameCrc(withCrc);
    if (link.IsRtu()) {
        if (swapCheck) std::swap(withCrc.end()[-2], withCrc.end()[-1]);
        return ReplyWith(withCrc, false);
    }
    std::string line = sim::AsciiReplyText(withCrc);
    if (swapCheck) std::swap(line.end()[-4], line.end()[-3]);
    ReplyText(line);
}

std::string LinkTest::Error() { return ErrorOf(link); }

void LinkTest::ReplyWith(Bytes rtu, bool appendCrc) {
    if (appendCrc) sim::AppendFrameCrc(rtu);
    drive.SetReplyHook([rtu](const sim::LoggedRequest&, const Bytes&) -> std::optional<Bytes> {
        return WrapLinkPacket(kLinkTypeRtuResponse, rtu);
    });
}

std::vector<Bytes> LinkTest::Sent() {
    std::vector<Bytes> frames;
    for (const auto& r : drive.Requests()) frames.push_back(r.frame);
    return frames;
}

std::string Hex(const Bytes& bytes) {
    std::string out;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    return out;
}

}  // namespace tarn::test
