#include "link_fixture.h"

#include "link/link_packet.h"
#include "platform/wide_string.h"

namespace tarn::test {

std::string ErrorOf(CHCT_COMM& link) { return ToUtf8(link.GetErrMsg()); }

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
