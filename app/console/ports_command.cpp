#include "app/console/ports_command.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "app/console/json_text.h"
#include "platform/ports/drive_port.h"
#include "platform/ports/port_enum.h"
#include "platform/serial/open_failure.h"
#include "platform/wide_string.h"

namespace tarn::console {

namespace {

// The identity the port list is built for.
constexpr int16_t kIdentity[3] = {3, 6, 5};
// An FTDI bridge holds received bytes back for its latency timer: above 1 ms
// that wait is added to every exchange with the drive.
constexpr int kLatencyTimerLimitMs = 1;

}  // namespace

int ListPorts(IProfile& profile, bool all, bool json, const PortRoots& roots) {
    std::unique_ptr<PortNode> nodes = EnumComPorts(profile, roots);
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const PortNode* node = nodes.get(); node; node = node->pNext.get()) {
        const bool drive = IsDrivePort(kIdentity[0], kIdentity[1], kIdentity[2], node->strFriendlyName);
        if (!drive && !all) continue;
        const std::string path = ToUtf8(node->strPortName), name = ToUtf8(node->strFriendlyName);
        const bool mayOpen = UserMayOpen(path);
        const std::optional<int> latency = LatencyTimerMs(roots, std::filesystem::path(path).filename().string());
        if (json) {
            list.push_back({{"port", node->nPort}, {"device", path}, {"name", name}, {"drivePort", drive},
                            {"mayOpen", mayOpen}});
            list.back()["latencyTimerMs"] = latency ? nlohmann::ordered_json(*latency) : nlohmann::ordered_json();
            continue;
        }
        std::string notes = drive || !all ? "" : "  (not a drive port)";
        if (!mayOpen) notes += "  (no permission: join the group dialout)";
        if (latency)
            notes += "  (latency timer " + std::to_string(*latency) + " ms" +
                     (*latency > kLatencyTimerLimitMs ? ": slows every exchange, set it to 1 ms)" : ")");
        std::printf("%4d  %-16s %s%s\n", node->nPort, path.c_str(), name.c_str(), notes.c_str());
    }
    if (json) std::printf("%s\n", JsonText(list).c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace tarn::console
