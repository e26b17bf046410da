#include "app/console/image_report.h"

#include <cinttypes>
#include <cstdio>
#include <sstream>

#include "app/console/json_text.h"
#include "app/console/loaded_image.h"
#include "params/para_limits.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;

ordered_json Parameters(const review::ImageDescription::Parameters& params) {
    ordered_json items = ordered_json::array();
    for (const auto& item : params.items)
        items.push_back({{"id", item.id},
                         {"group", item.group},
                         {"item", item.item},
                         {"values", item.values},
                         {"default", item.defaultValue},
                         {"lower", item.lower},
                         {"upper", item.upper},
                         {"comment", item.comment}});
    return {{"axes", params.axes}, {"items", items}};
}

std::string Yes(const ordered_json& flag) { return flag.get<bool>() ? "yes" : "no"; }

}  // namespace

ordered_json DescriptionJson(const std::string& file, const review::ImageDescription& image) {
    ordered_json d;
    d["file"] = file;
    d["identity"] = {image.identity[0], image.identity[1], image.identity[2]};
    d["mainVersion"] = image.mainVersion;
    d["subVersion"] = image.subVersion;
    d["extension"] = image.extension;
    d["formatVersion"] = image.formatVersion;
    d["includes"] = {{"programDV", image.includesProgramDV},
                     {"dh", image.includesDH},
                     {"mh", image.includesMH},
                     {"parameters", image.includesParameters}};
    d["partNumber"] = image.partNumber;
    d["machineKeySet"] = image.machineKeySet;
    ordered_json sizes = ordered_json::object();
    for (const auto& [name, size] : image.sizes) sizes[name] = size;
    d["sizes"] = sizes;
    ordered_json contents = ordered_json::object();
    for (const auto& c : image.contents) contents[c.section] = {{"words", c.words}, {"crc32", c.crc32}};
    d["contents"] = contents;
    d["parameters"] = image.parameters ? Parameters(*image.parameters) : ordered_json();
    d["error"] = nullptr;
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
    if (!image) {
        if (json) {
            ordered_json d = FailureDocument(DescriptionJson(file, {}), io.LastReason());
            d["file"] = file;
            std::printf("%s\n", JsonText(d).c_str());
        }
        return 1;
    }
    if (const std::string warning = image->cfg.IncludePara ? OutsideLimitsWarning(image->params) : "";
        !warning.empty())
        io.Error(warning);
    const ordered_json d =
        DescriptionJson(file, review::DescribeImage(image->info, image->cfg, &image->params));
    const std::string text = json ? JsonText(d) + "\n" : RenderImageText(d);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    return 0;
}

}  // namespace tarn::console
