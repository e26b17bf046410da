#include "device_fixture.h"

#include <cstdio>

#include "link/link_packet.h"
#include "platform/wide_string.h"

namespace tarn::test {

void DeviceTest::Start(const sim::DriveDescription& description) {
    ASSERT_TRUE(StartRig(description));
    cmd.m_pLink = link.get();
    cmd.m_pDevInst = &inst;
}

std::vector<std::string> DeviceTest::Traffic() {
    std::vector<std::string> lines;
    char line[32];
    for (const auto& r : drive->Requests()) {
        const auto& f = r.frame;
        const unsigned a = f[2] << 8 | f[3], b = f[4] << 8 | f[5];
        switch (r.Function()) {
            case 0x03: std::snprintf(line, sizeof line, "R %04X %u", a, b); break;
            case 0x06: std::snprintf(line, sizeof line, "W %04X %04X", a, b); break;
            case 0x10: std::snprintf(line, sizeof line, "M %04X %u", a, b); break;
            case 0x67: std::snprintf(line, sizeof line, "T"); break;
            case 0xF0: std::snprintf(line, sizeof line, "C %04X", a); break;
            case 0xF5: std::snprintf(line, sizeof line, "D"); break;
            case 0xF6: std::snprintf(line, sizeof line, "U"); break;
            default: std::snprintf(line, sizeof line, "? %02X", r.Function());
        }
        lines.push_back(line);
    }
    drive->ClearRequests();
    return lines;
}

void DeviceTest::RefuseWhen(std::function<bool(const sim::Bytes&)> refuse) {
    drive->SetReplyHook([refuse](const sim::LoggedRequest& r, const sim::Bytes&) -> std::optional<sim::Bytes> {
        if (!refuse(r.frame)) return std::nullopt;
        return WrapLinkPacket(kLinkTypeRtuResponse, sim::ExceptionReply(r.Station(), r.Function(), 0x02));
    });
}

std::string DeviceTest::LastError() { return ToUtf8(cmd.m_strLastError); }

}  // namespace tarn::test
