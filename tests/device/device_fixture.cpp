#include "device_fixture.h"

#include "link/link_packet.h"
#include "platform/wide_string.h"

namespace tarn::test {

void DeviceTest::Start(const sim::DriveDescription& description) {
    ASSERT_TRUE(StartRig(description));
    cmd.m_pLink = link.get();
    cmd.m_pDevInst = &inst;
}

void DeviceTest::RefuseWhen(std::function<bool(const sim::Bytes&)> refuse) {
    drive->SetReplyHook([refuse](const sim::LoggedRequest& r, const sim::Bytes&) -> std::optional<sim::Bytes> {
        if (!refuse(r.frame)) return std::nullopt;
        return WrapLinkPacket(kLinkTypeRtuResponse, sim::ExceptionReply(r.Station(), r.Function(), 0x02));
    });
}

std::string DeviceTest::LastError() { return ToUtf8(cmd.m_strLastError); }

}  // namespace tarn::test
