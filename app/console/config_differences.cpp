#include "app/console/config_differences.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "platform/wide_string.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;

constexpr size_t kWordsShown = 4;  // of each differing range

// An axis's value as the parameter shows it (FormatValue shows axis 0).
std::string FormatAxis(const CParaItem& item, int axis) {
    CParaItem copy = item;
    copy.m_Value[0] = item.m_Value[axis];
    return ToUtf8(copy.FormatValue());
}

std::string ItemId(int group, int item) {
    char id[32];
    std::snprintf(id, sizeof id, "P%d-%02d", group, item);
    return id;
}

class Collector {
public:
    explicit Collector(const Sides& sides) : m_sides(sides) {}

    void Add(ordered_json difference) { m_list.push_back(std::move(difference)); }
    template <typename T>
    void IfDiffer(ordered_json head, const T& a, const T& b) {
        if (a == b) return;
        head[m_sides.a] = a;
        head[m_sides.b] = b;
        Add(std::move(head));
    }

    void Words(const std::string& section, const std::vector<uint16_t>& a,
               const std::vector<uint16_t>& b) {
        ordered_json ranges = ordered_json::array();
        const size_t common = std::min(a.size(), b.size());
        for (size_t i = 0; i < common;) {
            if (a[i] == b[i]) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < common && a[end] != b[end]) ++end;
            const size_t shown = std::min(end - i, kWordsShown);
            ranges.push_back(
                {{"first", i},
                 {"count", end - i},
                 {m_sides.a, std::vector<uint16_t>(a.begin() + i, a.begin() + i + shown)},
                 {m_sides.b, std::vector<uint16_t>(b.begin() + i, b.begin() + i + shown)}});
            i = end;
        }
        if (ranges.empty() && a.size() == b.size()) return;
        Add({{"what", "content"},
             {"section", section},
             {m_sides.a + "Words", a.size()},
             {m_sides.b + "Words", b.size()},
             {"ranges", ranges}});
    }

    ordered_json Take() { return std::move(m_list); }
    const Sides& Names() const { return m_sides; }

private:
    Sides m_sides;
    ordered_json m_list = ordered_json::array();
};

std::vector<uint16_t> Words(const WordBuffer& buffer) {
    return buffer ? *buffer : std::vector<uint16_t>{};
}
std::vector<uint16_t> Words(const MHBuffer& buffer) {
    return buffer ? std::vector<uint16_t>(buffer->begin(), buffer->end()) : std::vector<uint16_t>{};
}

void CompareSizes(const CCfgExchange& a, const CCfgExchange& b, bool programSize, Collector& out) {
    const std::pair<const char*, SizePair CCfgExchange::*> sizes[] = {
        {"DV", &CCfgExchange::SectionDV_Size},
        {"ActualDV", &CCfgExchange::ActualDV_Size},
        {"Program", &CCfgExchange::SectionP_Size},
        {"DH", &CCfgExchange::SectionDH_Size},
        {"MV", &CCfgExchange::SectionMV_Size},
        {"X", &CCfgExchange::SectionX_Size},
        {"Y", &CCfgExchange::SectionY_Size},
        {"T", &CCfgExchange::SectionT_Size},
        {"TU", &CCfgExchange::SectionTU_Size},
        {"TUD", &CCfgExchange::SectionTUD_Size},
        {"AutoDVStart", &CCfgExchange::AutoDV_StartAddr},
        {"ActualAutoDV", &CCfgExchange::ActualAutoDV_Size},
        {"FATVersion", &CCfgExchange::FAT_TableVersion},
    };
    for (const auto& [name, size] : sizes)
        if (programSize || size != &CCfgExchange::SectionP_Size)
            out.IfDiffer({{"what", "size"}, {"section", name}}, int{(a.*size).image},
                         int{(b.*size).image});
}

// Items by group and item number, so that both sides are matched item by item.
std::map<std::pair<int, int>, const CParaItem*> ItemsOf(const CParaMgr& mgr,
                                                        bool downloadableOnly) {
    std::map<std::pair<int, int>, const CParaItem*> items;
    const int groups =
        downloadableOnly ? std::min(mgr.m_nGroupCount, mgr.GroupCount()) : mgr.GroupCount();
    for (int k = 0; k < groups; ++k)
        for (const CParaItem& item : mgr.Items(k))
            if (!downloadableOnly || !(item.Attributes() & kAttrNotDownloaded))
                items[{item.m_nGroup, item.m_nItem}] = &item;
    return items;
}

void CompareParameters(const CParaMgr& a, const CParaMgr& b, bool downloadableOnly,
                       Collector& out) {
    out.IfDiffer({{"what", "axes"}}, int{a.m_nAxes}, int{b.m_nAxes});
    const auto itemsA = ItemsOf(a, downloadableOnly), itemsB = ItemsOf(b, downloadableOnly);
    std::map<std::pair<int, int>, std::pair<const CParaItem*, const CParaItem*>> both;
    for (const auto& [key, item] : itemsA) both[key].first = item;
    for (const auto& [key, item] : itemsB) both[key].second = item;
    const int axes = std::min({a.m_nAxes, b.m_nAxes, 4});
    const Sides& names = out.Names();
    for (const auto& [key, pair] : both) {
        const auto& [itemA, itemB] = pair;
        for (int axis = 0; axis < axes; ++axis) {
            const ordered_json valueA =
                itemA ? ordered_json(FormatAxis(*itemA, axis)) : ordered_json();
            const ordered_json valueB =
                itemB ? ordered_json(FormatAxis(*itemB, axis)) : ordered_json();
            // As the parameter shows them: an image and an upload may keep the
            // same value with other bits above its width.
            if (itemA && itemB && valueA == valueB) continue;
            out.Add({{"what", "parameter"},
                     {"id", ItemId(key.first, key.second)},
                     {"axis", axis},
                     {names.a, valueA},
                     {names.b, valueB}});
            if (!itemA || !itemB) break;  // an item one side lacks is named once
        }
    }
}

void CompareImageFields(const CCfgExchange& a, const CCfgExchange& b, Collector& out) {
    const std::pair<const char*, uint32_t CCfgExchange::*> includes[] = {
        {"Program/DV", &CCfgExchange::IncludeProgramDV},
        {"DH", &CCfgExchange::IncludeDH},
        {"MH", &CCfgExchange::IncludeMH},
        {"Parameter", &CCfgExchange::IncludePara},
    };
    for (const auto& [part, flag] : includes)
        out.IfDiffer({{"what", "includes"}, {"part", part}}, a.*flag != 0, b.*flag != 0);
    out.IfDiffer({{"what", "formatVersion"}}, a.FormatVersion, b.FormatVersion);
    out.IfDiffer({{"what", "partNumber"}}, ToUtf8(a.PartNumber), ToUtf8(b.PartNumber));
    if (a.MachineKey != b.MachineKey) {
        auto key = [](const CCfgExchange& c, const char* other) {
            return c.MachineKey.empty() ? "none" : other;
        };
        out.IfDiffer({{"what", "machineKey"}}, std::string(key(a, "set")),
                     std::string(key(b, "set, another")));
    }
}

std::string Words(const ordered_json& words) {
    std::string text;
    char word[8];
    for (const auto& w : words) {
        std::snprintf(word, sizeof word, "%s%04X", text.empty() ? "" : " ", w.get<unsigned>());
        text += word;
    }
    return text;
}

std::string Shown(const ordered_json& value) {
    if (value.is_null()) return "(none)";
    if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
    if (value.is_string()) return value.get<std::string>();
    if (value.is_array()) {
        std::string text;
        for (const auto& v : value) text += (text.empty() ? "" : ", ") + v.dump();
        return text;
    }
    return value.dump();
}

}  // namespace

ordered_json Differences(const ConfigSide& a, const ConfigSide& b, const CompareScope& scope,
                         const Sides& sides) {
    Collector out(sides);
    if (scope.identity) {
        out.IfDiffer({{"what", "identity"}},
                     std::vector<int>{a.info.m_wIdent1, a.info.m_wIdent2, a.info.m_wIdent3},
                     std::vector<int>{b.info.m_wIdent1, b.info.m_wIdent2, b.info.m_wIdent3});
        out.IfDiffer({{"what", "version"}, {"name", "mainVersion"}}, a.info.m_nMainVersion,
                     b.info.m_nMainVersion);
        out.IfDiffer({{"what", "version"}, {"name", "subVersion"}}, a.info.m_nSubVersion,
                     b.info.m_nSubVersion);
        out.IfDiffer({{"what", "version"}, {"name", "extension"}}, a.info.m_nExtension,
                     b.info.m_nExtension);
    }
    if (scope.imageFields) CompareImageFields(a.cfg, b.cfg, out);
    if (scope.sizes) CompareSizes(a.cfg, b.cfg, scope.programSize, out);
    if (scope.programDV && a.cfg.IncludeProgramDV && b.cfg.IncludeProgramDV) {
        out.Words("DV", Words(a.cfg.DVData), Words(b.cfg.DVData));
        out.Words("AutoDV", Words(a.cfg.AutoDVData), Words(b.cfg.AutoDVData));
        out.Words("Program", Words(a.cfg.ProgramData), Words(b.cfg.ProgramData));
    }
    if (scope.dh && a.cfg.IncludeDH && b.cfg.IncludeDH)
        out.Words("DH", Words(a.cfg.DHData), Words(b.cfg.DHData));
    if (scope.mh && a.cfg.IncludeMH && b.cfg.IncludeMH)
        out.Words("MH", Words(a.cfg.MHData), Words(b.cfg.MHData));
    if (scope.parameters && a.cfg.IncludePara && b.cfg.IncludePara)
        CompareParameters(a.params, b.params, scope.downloadableOnly, out);
    return out.Take();
}

std::string RenderDifferences(const ordered_json& differences, const Sides& sides,
                              const std::string& matchText) {
    static const char* const kAxes[] = {"x", "y", "z", "w"};
    std::ostringstream text;
    auto line = [&](const std::string& what, const std::string& a, const std::string& b) {
        char row[512];
        std::snprintf(row, sizeof row, "%-16s %s %-24s %s %s\n", what.c_str(), sides.a.c_str(),
                      a.c_str(), sides.b.c_str(), b.c_str());
        text << row;
    };
    for (const auto& d : differences) {
        const std::string what = d["what"];
        if (what == "content") {
            const std::string section = d["section"];
            if (d[sides.a + "Words"] != d[sides.b + "Words"])
                line(section + " words", d[sides.a + "Words"].dump(), d[sides.b + "Words"].dump());
            for (const auto& r : d["ranges"]) {
                const size_t first = r["first"], count = r["count"];
                const std::string more = count > kWordsShown ? " ..." : "";
                line(section + " " + std::to_string(first) +
                         (count > 1 ? ".." + std::to_string(first + count - 1) : ""),
                     Words(r[sides.a]) + more, Words(r[sides.b]) + more);
            }
        } else if (what == "parameter") {
            line(d["id"].get<std::string>() + " " + kAxes[d["axis"].get<int>()], Shown(d[sides.a]),
                 Shown(d[sides.b]));
        } else if (what == "size") {
            line("size " + d["section"].get<std::string>(), Shown(d[sides.a]), Shown(d[sides.b]));
        } else if (what == "version") {
            line(d["name"], Shown(d[sides.a]), Shown(d[sides.b]));
        } else if (what == "includes") {
            line("includes " + d["part"].get<std::string>(), Shown(d[sides.a]), Shown(d[sides.b]));
        } else {
            line(what, Shown(d[sides.a]), Shown(d[sides.b]));
        }
    }
    if (differences.empty())
        text << matchText << "\n";
    else
        text << differences.size()
             << (differences.size() == 1 ? " difference.\n" : " differences.\n");
    return text.str();
}

}  // namespace tarn::console
