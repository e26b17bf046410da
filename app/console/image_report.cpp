#include "app/console/image_report.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "app/console/json_text.h"
#include "app/console/loaded_image.h"
#include "image/crc32.h"
#include "params/para_limits.h"
#include "platform/wide_string.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;

template <typename Words>
ordered_json Content(const Words& words) {
    std::vector<uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return {{"words", words.size()}, {"crc32", Crc32(bytes.data(), bytes.size())}};
}

// A raw number shown as the parameter shows its values (decimals, hex).
std::string Formatted(const CParaItem& item, int64_t raw) {
    CParaItem copy = item;
    copy.m_Value[0] = raw;
    return ToUtf8(copy.FormatValue());
}

ordered_json Parameters(const CParaMgr& mgr) {
    ordered_json items = ordered_json::array();
    for (int k = 0; k < mgr.GroupCount(); ++k) {
        for (const CParaItem& item : mgr.Items(k)) {
            ordered_json values = ordered_json::array();
            for (int axis = 0; axis < mgr.m_nAxes && axis < 4; ++axis)
                values.push_back(Formatted(item, item.m_Value[axis]));
            char id[32];
            std::snprintf(id, sizeof id, "P%d-%02d", item.m_nGroup, item.m_nItem);
            items.push_back({{"id", id},
                             {"group", item.m_nGroup},
                             {"item", item.m_nItem},
                             {"values", values},
                             {"default", ToUtf8(item.FormatDefault())},
                             {"lower", Formatted(item, item.GetLowerLimit())},
                             {"upper", Formatted(item, item.GetUpperLimit())},
                             {"comment", ToUtf8(item.m_strComment)}});
        }
    }
    return {{"axes", mgr.m_nAxes}, {"items", items}};
}

std::string Yes(const ordered_json& flag) { return flag.get<bool>() ? "yes" : "no"; }

}  // namespace

ordered_json DescribeImage(const std::string& file, const CDevInfo& info, const CCfgExchange& cfg,
                           const CParaMgr* parameters) {
    ordered_json d;
    d["file"] = file;
    d["identity"] = {info.m_wIdent1, info.m_wIdent2, info.m_wIdent3};
    d["mainVersion"] = info.m_nMainVersion;
    d["subVersion"] = info.m_nSubVersion;
    d["extension"] = info.m_nExtension;
    d["formatVersion"] = cfg.FormatVersion;
    d["includes"] = {{"programDV", cfg.IncludeProgramDV != 0},
                     {"dh", cfg.IncludeDH != 0},
                     {"mh", cfg.IncludeMH != 0},
                     {"parameters", cfg.IncludePara != 0}};
    d["partNumber"] = ToUtf8(cfg.PartNumber);
    d["machineKeySet"] = !cfg.MachineKey.empty();
    const int t = cfg.SectionT_Size.image, tu = cfg.SectionTU_Size.image, tud = cfg.SectionTUD_Size.image;
    d["sizes"] = {{"DV", cfg.SectionDV_Size.image},
                  {"ActualDV", cfg.ActualDV_Size.image},
                  {"Program", cfg.SectionP_Size.image},
                  {"DH", cfg.SectionDH_Size.image},
                  {"MV", cfg.SectionMV_Size.image},
                  {"X", cfg.SectionX_Size.image},
                  {"Y", cfg.SectionY_Size.image},
                  {"T", t},
                  {"TU", tu},
                  {"TUD", tud},
                  {"CU", tu - t},
                  {"CD", tud / 2 - tu},
                  {"AutoDVStart", cfg.AutoDV_StartAddr.image},
                  {"ActualAutoDV", cfg.ActualAutoDV_Size.image},
                  {"FATVersion", cfg.FAT_TableVersion.image}};
    ordered_json contents = ordered_json::object();
    if (cfg.DVData) contents["DV"] = Content(*cfg.DVData);
    if (cfg.AutoDVData) contents["AutoDV"] = Content(*cfg.AutoDVData);
    if (cfg.ProgramData) contents["Program"] = Content(*cfg.ProgramData);
    if (cfg.DHData) contents["DH"] = Content(*cfg.DHData);
    if (cfg.MHData) contents["MH"] = Content(*cfg.MHData);
    d["contents"] = contents;
    d["parameters"] = parameters && cfg.IncludePara ? Parameters(*parameters) : ordered_json();
    return d;
}

std::string RenderImageText(const ordered_json& d) {
    std::ostringstream out;
    char line[256];
    out << "Image:          " << d["file"].get<std::string>() << "\n";
    std::snprintf(line, sizeof line, "Identity:       %d, %d, %d\n", d["identity"][0].get<int>(),
                  d["identity"][1].get<int>(), d["identity"][2].get<int>());
    out << line;
    out << "Main version:   " << d["mainVersion"] << "\n";
    out << "Sub version:    " << d["subVersion"] << "\n";
    out << "Extension:      " << d["extension"] << "\n";
    out << "Format version: " << d["formatVersion"] << "\n";
    const auto& inc = d["includes"];
    out << "Includes:       Program/DV " << Yes(inc["programDV"]) << ", DH " << Yes(inc["dh"]) << ", MH "
        << Yes(inc["mh"]) << ", Parameter " << Yes(inc["parameters"]) << "\n";
    out << "Part number:    " << d["partNumber"].get<std::string>() << "\n";
    out << "Machine key:    " << (d["machineKeySet"].get<bool>() ? "set" : "none") << "\n";
    out << "\nSection sizes (words; T, CU and CD in double words):\n";
    for (const auto& [name, value] : d["sizes"].items()) {
        std::snprintf(line, sizeof line, "  %-13s %6d\n", name.c_str(), value.get<int>());
        out << line;
    }
    out << "\nContents:\n";
    if (d["contents"].empty()) out << "  none\n";
    for (const auto& [name, content] : d["contents"].items()) {
        std::snprintf(line, sizeof line, "  %-8s %6zu words  CRC-32 0x%08" PRIX32 "\n", name.c_str(),
                      content["words"].get<size_t>(), content["crc32"].get<uint32_t>());
        out << line;
    }
    const auto& params = d["parameters"];
    if (params.is_null()) {
        out << "\nParameters: none\n";
        return out.str();
    }
    const int axes = params["axes"].get<int>();
    out << "\nParameters (" << params["items"].size() << " items, " << axes << " axes):\n";
    std::snprintf(line, sizeof line, "  %-8s", "Item");
    out << line;
    for (int a = 0; a < axes; ++a) {
        std::snprintf(line, sizeof line, " %12s", (a == 0 ? "x" : a == 1 ? "y" : a == 2 ? "z" : "w"));
        out << line;
    }
    std::snprintf(line, sizeof line, " %17s %12s %12s  %s\n", "Default", "Lower", "Upper", "Comment");
    out << line;
    for (const auto& item : params["items"]) {
        std::snprintf(line, sizeof line, "  %-8s", item["id"].get<std::string>().c_str());
        out << line;
        for (const auto& v : item["values"]) {
            std::snprintf(line, sizeof line, " %12s", v.get<std::string>().c_str());
            out << line;
        }
        std::snprintf(line, sizeof line, " %17s %12s %12s  %s\n", item["default"].get<std::string>().c_str(),
                      item["lower"].get<std::string>().c_str(), item["upper"].get<std::string>().c_str(),
                      item["comment"].get<std::string>().c_str());
        out << line;
    }
    return out.str();
}

int Inspect(const std::string& file, bool json, ConsoleIo& io) {
    const std::unique_ptr<Configuration> image = LoadImage(file, io);
    if (!image) return 1;
    if (const std::string warning = image->cfg.IncludePara ? OutsideLimitsWarning(image->params) : "";
        !warning.empty())
        io.Error(warning);
    const ordered_json d = DescribeImage(file, image->info, image->cfg, &image->params);
    const std::string text = json ? JsonText(d) + "\n" : RenderImageText(d);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
}

}  // namespace tarn::console
