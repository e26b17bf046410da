#include "review/image_description.h"

#include "image/crc32.h"
#include "platform/wide_string.h"
#include "review/differences.h"

namespace tarn::review {

namespace {

template <typename Words>
ImageDescription::Content Content(const char* section, const Words& words) {
    std::vector<uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return {section, words.size(), Crc32(bytes.data(), bytes.size())};
}

// A raw number shown as the parameter shows its values (decimals, hex).
std::string Formatted(const CParaItem& item, int64_t raw) {
    CParaItem copy = item;
    copy.m_Value[0] = raw;
    return ToUtf8(copy.FormatValue());
}

ImageDescription::Parameters Parameters(const CParaMgr& mgr) {
    ImageDescription::Parameters params{mgr.m_nAxes, {}};
    for (int k = 0; k < mgr.GroupCount(); ++k) {
        for (const CParaItem& item : mgr.Items(k)) {
            ImageDescription::Item shown{ItemId(item.m_nGroup, item.m_nItem),
                                         item.m_nGroup,
                                         item.m_nItem,
                                         {},
                                         ToUtf8(item.FormatDefault()),
                                         Formatted(item, item.GetLowerLimit()),
                                         Formatted(item, item.GetUpperLimit()),
                                         ToUtf8(item.m_strComment)};
            for (int axis = 0; axis < mgr.m_nAxes && axis < 4; ++axis)
                shown.values.push_back(Formatted(item, item.m_Value[axis]));
            params.items.push_back(std::move(shown));
        }
    }
    return params;
}

}  // namespace

ImageDescription DescribeImage(const CDevInfo& info, const CCfgExchange& cfg,
                               const CParaMgr* parameters) {
    ImageDescription d;
    d.identity[0] = info.m_wIdent1;
    d.identity[1] = info.m_wIdent2;
    d.identity[2] = info.m_wIdent3;
    d.mainVersion = info.m_nMainVersion;
    d.subVersion = info.m_nSubVersion;
    d.extension = info.m_nExtension;
    d.formatVersion = cfg.FormatVersion;
    d.includesProgramDV = cfg.IncludeProgramDV != 0;
    d.includesDH = cfg.IncludeDH != 0;
    d.includesMH = cfg.IncludeMH != 0;
    d.includesParameters = cfg.IncludePara != 0;
    d.partNumber = ToUtf8(cfg.PartNumber);
    d.machineKeySet = !cfg.MachineKey.empty();
    const int t = cfg.SectionT_Size.image, tu = cfg.SectionTU_Size.image,
              tud = cfg.SectionTUD_Size.image;
    d.sizes = {{"DV", cfg.SectionDV_Size.image},
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
    if (cfg.DVData) d.contents.push_back(Content("DV", *cfg.DVData));
    if (cfg.AutoDVData) d.contents.push_back(Content("AutoDV", *cfg.AutoDVData));
    if (cfg.ProgramData) d.contents.push_back(Content("Program", *cfg.ProgramData));
    if (cfg.DHData) d.contents.push_back(Content("DH", *cfg.DHData));
    if (cfg.MHData) d.contents.push_back(Content("MH", *cfg.MHData));
    if (parameters && cfg.IncludePara) d.parameters = Parameters(*parameters);
    return d;
}

}  // namespace tarn::review
