#include "app/console/identity_report.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/console/json_text.h"

namespace tarn::console {

int ReportIdentity(const IdentityRead& read, bool json, ConsoleIo& io, bool sayFailure) {
    const CDevInfo info = read.info ? *read.info : CDevInfo{};
    const bool ok = !read.failure && read.info;
    if (!ok && sayFailure) io.Error("the drive's identity was not read: " + read.failure.value_or(""));
    if (json) {
        using nlohmann::ordered_json;
        const auto value = [ok](const ordered_json& v) { return ok ? v : ordered_json(); };
        ordered_json j;
        j["port"] = read.port;
        j["station"] = read.station ? ordered_json(*read.station) : ordered_json();
        j["identity"] = value({info.m_wIdent1, info.m_wIdent2, info.m_wIdent3});
        j["mainVersion"] = value(info.m_nMainVersion);
        j["subVersion"] = value(info.m_nSubVersion);
        j["extension"] = value(info.m_nExtension);
        j["error"] = ok ? ordered_json() : ordered_json(read.failure.value_or(""));
        std::printf("%s\n", JsonText(j).c_str());
    } else if (ok) {
        std::printf("Port:          %s\n", read.port.c_str());
        std::printf("Station:       %d\n", read.station.value_or(0));
        std::printf("Identity:      %d, %d, %d\n", info.m_wIdent1, info.m_wIdent2, info.m_wIdent3);
        std::printf("Main version:  %d\n", info.m_nMainVersion);
        std::printf("Sub version:   %d\n", info.m_nSubVersion);
        std::printf("Extension:     %d\n", info.m_nExtension);
    }
    std::fflush(stdout);
    return ok ? 0 : 1;
}

}  // namespace tarn::console

