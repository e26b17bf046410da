#include "review/differences.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "device/drive_registers.h"
#include "platform/wide_string.h"

namespace tarn::review {

namespace {

constexpr uint16_t kStatusRegisters[] = {reg::kServoState, reg::kSpecialFunction, reg::kP3_08,
                                         reg::kCommand, reg::kStatus};

// An axis's value as the parameter shows it (FormatValue shows axis 0).
std::string FormatAxis(const CParaItem& item, int axis) {
    CParaItem copy = item;
    copy.m_Value[0] = item.m_Value[axis];
    return ToUtf8(copy.FormatValue());
}

Difference Scalar(DifferenceKind kind, std::string name, SideValue a, SideValue b) {
    Difference d;
    d.kind = kind;
    d.name = std::move(name);
    d.a = std::move(a);
    d.b = std::move(b);
    return d;
}

class Collector {
public:
    explicit Collector(Comparison& out) : m_out(out) {}

    void IfDiffer(DifferenceKind kind, std::string name, SideValue a, SideValue b) {
        if (a != b)
            m_out.differences.push_back(Scalar(kind, std::move(name), std::move(a), std::move(b)));
    }

    void Words(const std::string& section, const std::vector<uint16_t>& a,
               const std::vector<uint16_t>& b) {
        Difference d;
        d.kind = DifferenceKind::Content;
        d.name = section;
        d.wordsA = a.size();
        d.wordsB = b.size();
        const size_t common = std::min(a.size(), b.size());
        for (size_t i = 0; i < common;) {
            if (a[i] == b[i]) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < common && a[end] != b[end]) ++end;
            const size_t shown = std::min(end - i, kWordsShown);
            d.ranges.push_back({i,
                                end - i,
                                {a.begin() + i, a.begin() + i + shown},
                                {b.begin() + i, b.begin() + i + shown}});
            i = end;
        }
        if (d.ranges.empty() && a.size() == b.size()) return;
        m_out.differences.push_back(std::move(d));
    }

    Comparison& Out() { return m_out; }

private:
    Comparison& m_out;
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
            out.IfDiffer(DifferenceKind::Size, name, int64_t{(a.*size).image},
                         int64_t{(b.*size).image});
}

struct Held {
    const CParaItem* item;
    bool written;  // a download writes it
};

// Items by group and item number, so that both sides are matched item by item.
std::map<std::pair<int, int>, Held> ItemsOf(const CParaMgr& mgr) {
    std::map<std::pair<int, int>, Held> items;
    for (int k = 0; k < mgr.GroupCount(); ++k)
        for (const CParaItem& item : mgr.Items(k))
            items[{item.m_nGroup, item.m_nItem}] = {
                &item, k < mgr.m_nGroupCount && !(item.Attributes() & kAttrNotDownloaded)};
    return items;
}

void CompareParameters(const CParaMgr& a, const CParaMgr& b, const CompareScope& scope,
                       Collector& out) {
    out.IfDiffer(DifferenceKind::Axes, "", int64_t{a.m_nAxes}, int64_t{b.m_nAxes});
    std::map<std::pair<int, int>, std::pair<Held, Held>> both;
    for (const auto& [key, held] : ItemsOf(a)) both[key].first = held;
    for (const auto& [key, held] : ItemsOf(b)) both[key].second = held;
    const int axes = std::min({a.m_nAxes, b.m_nAxes, 4});
    int skipped = 0;
    for (const auto& [key, pair] : both) {
        const auto& [heldA, heldB] = pair;
        if (!scope.statusItems && IsStatusItem(key.first, key.second)) {
            out.Out().notCompared.push_back(
                {ItemId(key.first, key.second), NotComparedReason::Status, 1});
            continue;
        }
        const bool written = heldA.item ? heldA.written : heldB.written;
        if (!written && scope.unwritten == UnwrittenItems::Skip) {
            ++skipped;
            continue;
        }
        auto& list = !written && scope.unwritten == UnwrittenItems::Separate
                         ? out.Out().notWritten
                         : out.Out().differences;
        for (int axis = 0; axis < axes; ++axis) {
            SideValue valueA, valueB;
            if (heldA.item) valueA = FormatAxis(*heldA.item, axis);
            if (heldB.item) valueB = FormatAxis(*heldB.item, axis);
            // As the parameter shows them: an image and an upload may keep the
            // same value with other bits above its width.
            if (heldA.item && heldB.item && valueA == valueB) continue;
            Difference d = Scalar(DifferenceKind::Parameter, ItemId(key.first, key.second),
                                  std::move(valueA), std::move(valueB));
            d.group = key.first;
            d.item = key.second;
            d.axis = axis;
            list.push_back(std::move(d));
            if (!heldA.item || !heldB.item) break;  // an item one side lacks is named once
        }
    }
    if (skipped)
        out.Out().notCompared.push_back({"parameters", NotComparedReason::NotWritten, skipped});
}

void CompareImageFields(const CCfgExchange& a, const CCfgExchange& b, Collector& out) {
    const std::pair<const char*, uint32_t CCfgExchange::*> includes[] = {
        {"Program/DV", &CCfgExchange::IncludeProgramDV},
        {"DH", &CCfgExchange::IncludeDH},
        {"MH", &CCfgExchange::IncludeMH},
        {"Parameter", &CCfgExchange::IncludePara},
    };
    for (const auto& [part, flag] : includes)
        out.IfDiffer(DifferenceKind::Includes, part, a.*flag != 0, b.*flag != 0);
    out.IfDiffer(DifferenceKind::FormatVersion, "", int64_t{a.FormatVersion},
                 int64_t{b.FormatVersion});
    out.IfDiffer(DifferenceKind::PartNumber, "", ToUtf8(a.PartNumber), ToUtf8(b.PartNumber));
    if (a.MachineKey != b.MachineKey) {
        auto key = [](const CCfgExchange& c, const char* other) {
            return std::string(c.MachineKey.empty() ? "none" : other);
        };
        out.IfDiffer(DifferenceKind::MachineKey, "", key(a, "set"), key(b, "set, another"));
    }
}

}  // namespace

std::string ItemId(int group, int item) {
    char id[32];
    std::snprintf(id, sizeof id, "P%d-%02d", group, item);
    return id;
}

bool IsStatusItem(int group, int item) {
    for (uint16_t address : kStatusRegisters)
        if (group == address >> 8 && item == (address & 0xFF) / 2) return true;
    return false;
}

Comparison Compare(const ConfigSide& a, const ConfigSide& b, const CompareScope& scope) {
    Comparison comparison;
    Collector out(comparison);
    if (scope.identity) {
        out.IfDiffer(DifferenceKind::Identity, "",
                     std::vector<int>{a.info.m_wIdent1, a.info.m_wIdent2, a.info.m_wIdent3},
                     std::vector<int>{b.info.m_wIdent1, b.info.m_wIdent2, b.info.m_wIdent3});
        out.IfDiffer(DifferenceKind::Version, "mainVersion", int64_t{a.info.m_nMainVersion},
                     int64_t{b.info.m_nMainVersion});
        out.IfDiffer(DifferenceKind::Version, "subVersion", int64_t{a.info.m_nSubVersion},
                     int64_t{b.info.m_nSubVersion});
        out.IfDiffer(DifferenceKind::Version, "extension", int64_t{a.info.m_nExtension},
                     int64_t{b.info.m_nExtension});
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
        CompareParameters(a.params, b.params, scope, out);
    return comparison;
}

}  // namespace tarn::review
