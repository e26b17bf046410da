#include "config_fixture.h"

#include <cstdio>

#include "platform/wide_string.h"

namespace tarn::test {

int Recorder::Show(const std::u16string& text, MbButtons, MbIcon) {
    std::lock_guard lock(m_mutex);
    boxes.push_back(ToUtf8(text));
    return IDOK;
}

sim::DriveDescription SmallDrive() {
    sim::DriveDescription d;
    d.identity = {3, 6, 5};
    d.readyDelayMs = 0;
    d.sections = {{"DV", 40}, {"Program", 12}, {"DH", 23}, {"MV", 4}, {"X", 5}, {"Y", 6},
                  {"TC", 300}, {"ActualDV", 7}, {"T", 8}, {"TU", 20},
                  {"AutoDVStart", 30}, {"ActualAutoDV", 3}, {"FATVersion", 2}};
    std::vector<uint16_t> dh(23), mh(128);
    for (size_t i = 0; i < dh.size(); ++i) dh[i] = static_cast<uint16_t>(0xD000 + i);
    for (size_t i = 0; i < mh.size(); ++i) mh[i] = static_cast<uint16_t>(0x8000 + i);
    d.contents = {{"DH", dh}, {"MH", mh}};
    sim::ParameterItem item;
    item.record = {0x7FFF, 0xFFFF, 0x8000, 0, 0, 0, 0};
    item.values = {1, 2, 3};
    d.groups.push_back({0, {item, item}});
    d.groups.push_back({1, {item}});
    return d;
}

void ConfigTest::Start(const sim::DriveDescription& description) {
    ASSERT_TRUE(StartRig(description));
    impl.GetCmd()->SetClock(&clock);
    mgr.SetCmdImpl(&impl);
    mgr.SetPcfRoot(FromUtf8(::testing::TempDir() + "tarn-config-pcf"));
    cfg.SetCmdImpl(&impl);
    cfg.ParaMgr = &mgr;
    cfg.SetMessageBox(&recorder);
}

std::vector<std::string> ConfigTest::Traffic() {
    std::vector<std::string> tokens;
    char token[32];
    for (const auto& r : drive->Requests()) {
        const auto& f = r.frame;
        const unsigned a = f[2] << 8 | f[3], v = f[4] << 8 | f[5];
        switch (r.Function()) {
            case 0x06: std::snprintf(token, sizeof token, "W%04X=%u", a, v); break;
            case 0x03: std::snprintf(token, sizeof token, "R%04X", a); break;
            case 0x10: std::snprintf(token, sizeof token, "M%04X", a); break;
            case 0xF5: std::snprintf(token, sizeof token, "D%u@%u", f[3], f[4] << 8 | f[5]); break;
            case 0xF6: std::snprintf(token, sizeof token, "U%u@%u", f[3], f[4] << 8 | f[5]); break;
            default: std::snprintf(token, sizeof token, "F%02X", r.Function());
        }
        tokens.push_back(token);
    }
    drive->ClearRequests();
    return tokens;
}

}  // namespace tarn::test
