#include "review/parameter_access.h"

#include <cinttypes>
#include <cstdio>
#include <regex>

#include "device/device_inst.h"
#include "platform/wide_string.h"

namespace tarn::review {

namespace {

int DecimalCode(const CParaItem& item) { return item.Attributes() & kAttrDecimals; }
bool IsHex(const CParaItem& item) { return (item.Attributes() & kAttrHex) != 0; }
bool IsP5_19(const CParaItem& item) { return item.m_nGroup == 5 && item.m_nItem == 19; }

// The decimals the item's text shows (P5-19 shows six when 32 bits wide).
int Decimals(const CParaItem& item) {
    const int code = DecimalCode(item);
    if (IsP5_19(item)) return item.Is32Bit() ? 6 : (code > 0 ? code - 1 : 0);
    if (IsHex(item)) return 0;
    return code >= 2 ? code - 1 : 0;
}

std::string Text(const CParaItem& item) { return ToUtf8(item.FormatValue()); }

std::string FormatAxis(const CParaItem& item, int axis) {
    CParaItem copy = item;
    copy.m_Value[0] = item.m_Value[axis];
    return Text(copy);
}

// What the register pair (low, high) holds, as the upload takes it.
int64_t PairValue(const CParaItem& item, uint16_t low, uint16_t high) {
    if (!item.Is32Bit()) return item.IsUnsigned() ? int64_t{low} : int64_t{static_cast<int16_t>(low)};
    const uint32_t bits = uint32_t{high} << 16 | low;
    return item.IsUnsigned() ? int64_t{bits} : int64_t{static_cast<int32_t>(bits)};
}

bool Representable(const CParaItem& item, int64_t v) {
    if (item.Is32Bit()) return item.IsUnsigned() ? v >= 0 && v <= 0xFFFFFFFFLL : v >= INT32_MIN && v <= INT32_MAX;
    return item.IsUnsigned() ? v >= 0 && v <= 0xFFFF : v >= INT16_MIN && v <= INT16_MAX;
}

// The stored integer of `text` read as the item shows its values: decimal or
// 0x hexadecimal for whole numbers, "12.5" for fixed point (no more decimals
// than the item shows, so that nothing is cut off unseen). Nothing: not a
// number of this item.
std::optional<int64_t> ReadText(const CParaItem& item, const std::string& text) {
    static const std::regex hex("([+-]?)0[xX]([0-9a-fA-F]{1,8})");
    static const std::regex fixed("([+-]?)([0-9]{1,12})(?:\\.([0-9]*))?");
    std::smatch m;
    const int decimals = Decimals(item);
    if (decimals == 0 && std::regex_match(text, m, hex)) {
        const int64_t v = static_cast<int64_t>(std::stoull(m[2].str(), nullptr, 16));
        return m[1] == "-" ? -v : v;
    }
    if (!std::regex_match(text, m, fixed)) return std::nullopt;
    const std::string fraction = m[3].matched ? m[3].str() : "";
    if (static_cast<int>(fraction.size()) > decimals || (m[3].matched && fraction.empty())) return std::nullopt;
    int64_t v = std::stoll(m[2].str());
    for (int i = 0; i < decimals; ++i)
        v = v * 10 + (i < static_cast<int>(fraction.size()) ? fraction[i] - '0' : 0);
    return m[1] == "-" ? -v : v;
}

std::string Refusal(const std::string& pair, const std::string& why) { return pair + " refused: " + why; }

}  // namespace

void ReadParameters(ICmdImpl& command, CParaMgr& params,
                    const std::function<void(int done, int groups)>& groupRead) {
    params.SetCmdImpl(&command);
    params.ClearTable();
    if (!params.UploadValues(groupRead)) {
        const std::u16string& reason = command.GetCmd()->m_strLastError;
        throw reason.empty() ? std::u16string(u"the parameters do not read")
                             : u"the parameters do not read: " + reason;
    }
}

std::string ItemName(const CParaItem& item) {
    char name[32];
    std::snprintf(name, sizeof name, "P%d-%02d", item.m_nGroup, item.m_nItem);
    return name;
}

const CParaItem* FindItem(const CParaMgr& params, const std::string& name) {
    static const std::regex pattern("[pP](-?[0-9]{1,3})-([0-9]{1,4})");
    std::smatch m;
    if (!std::regex_match(name, m, pattern)) return nullptr;
    const int group = std::stoi(m[1].str()), number = std::stoi(m[2].str());
    for (int k = 0; k < params.GroupCount(); ++k)
        if (params.GroupNumber(k) == group && number < static_cast<int>(params.Items(k).size()))
            return &params.Items(k)[number];
    return nullptr;
}

std::string AxisPrefix(const CParaMgr& params, int axis) {
    if (params.m_nAxes == 1) return "";
    return axis == 0 ? "x:" : axis == 1 ? "y:" : "z:";
}

std::string FormatAs(const CParaItem& item, int64_t value) {
    CParaItem copy = item;
    copy.SetValue(static_cast<int32_t>(value), 0);
    return Text(copy);
}

bool DiffersFromDefault(const CParaItem& item, int axis) {
    return !(item.Attributes() & kAttrDefaultDependsOnDevice) && item.GetValue(axis) != item.GetDefault();
}

ParameterView Describe(const CParaMgr& params, const CParaItem& item) {
    ParameterView view;
    view.item = ItemName(item);
    for (int axis = 0; axis < params.m_nAxes; ++axis) {
        view.values.push_back(FormatAxis(item, axis));
        if (DiffersFromDefault(item, axis)) view.changed = true;
    }
    view.defaultText = ToUtf8(item.FormatDefault());
    view.lower = FormatAs(item, item.GetLowerLimit());
    view.upper = FormatAs(item, item.GetUpperLimit());
    view.type = IsHex(item) ? "hex" : item.IsUnsigned() ? "unsigned" : "signed";
    view.bits = item.Is32Bit() ? 32 : 16;
    view.decimals = Decimals(item);
    view.kind = view.type + " " + std::to_string(view.bits) + "-bit";
    if (view.decimals) view.kind += ", " + std::to_string(view.decimals) + " decimals";
    view.written = item.m_nGroup >= 0 && !(item.Attributes() & kAttrNotDownloaded);
    view.comment = ToUtf8(item.m_strComment);
    return view;
}

WritePlan PlanWrites(const CParaMgr& params, const std::vector<std::string>& pairs,
                     const std::vector<int>& axes) {
    WritePlan plan;
    for (const std::string& pair : pairs) {
        const size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            plan.refusals.push_back(Refusal(pair, "not ITEM=VALUE"));
            continue;
        }
        const std::string name = pair.substr(0, equals), text = pair.substr(equals + 1);
        const CParaItem* item = FindItem(params, name);
        if (!item) {
            plan.refusals.push_back(Refusal(pair, "the drive has no parameter " + name));
            continue;
        }
        if (item->m_nGroup < 0 || (item->Attributes() & kAttrNotDownloaded)) {
            char attributes[16];
            std::snprintf(attributes, sizeof attributes, "0x%04X", item->Attributes());
            plan.refusals.push_back(Refusal(pair, ItemName(*item) + " is not written by a parameter download (attributes " +
                                                      attributes + ")"));
            continue;
        }
        const std::string limits = FormatAs(*item, item->GetLowerLimit()) + " to " + FormatAs(*item, item->GetUpperLimit());
        const std::optional<int64_t> value = ReadText(*item, text);
        if (!value) {
            const ParameterView view = Describe(params, *item);
            plan.refusals.push_back(Refusal(pair, "'" + text + "' is not a value of " + ItemName(*item) + " (" +
                                                      view.kind + ", " + limits + ")"));
            continue;
        }
        if (*value < item->GetLowerLimit() || *value > item->GetUpperLimit() || !Representable(*item, *value)) {
            plan.refusals.push_back(Refusal(pair, "out of the limits of " + ItemName(*item) + ": " + limits));
            continue;
        }
        for (int axis : axes) {
            CParaItem copy = *item;
            copy.SetValue(static_cast<int32_t>(*value), axis);
            plan.changes.push_back({item, axis, item->GetValue(axis), copy.GetValue(axis), FormatAxis(*item, axis),
                                    FormatAxis(copy, axis), AxisPrefix(params, axis) + ItemName(*item)});
        }
    }
    if (!plan.refusals.empty()) plan.changes.clear();
    return plan;
}

std::optional<std::string> ServoRefusal(ICmdImpl& command, const std::vector<ParameterChange>& changes) {
    CDeviceCmd* cmd = command.GetCmd();
    std::vector<bool> asked(3, false);
    for (const ParameterChange& change : changes) {
        if (asked[change.axis]) continue;
        asked[change.axis] = true;
        if (cmd->IsServoOn(change.axis))
            return "the servo of axis " + std::string(1, "xyz"[change.axis]) + " is on: nothing was written";
    }
    return std::nullopt;
}

std::vector<WrittenChange> WriteChanges(ICmdImpl& command, const std::vector<ParameterChange>& changes) {
    CDeviceCmd* cmd = command.GetCmd();
    const uint8_t station = static_cast<uint8_t>(cmd->m_pDevInst->GetStation());
    std::vector<WrittenChange> done;
    if (changes.empty()) return done;
    // The download's unlock; like the download, a refused last step (P5-01 := 12) does not stop it.
    cmd->PrepareParaDownload();
    for (const ParameterChange& change : changes) {
        WrittenChange& written = done.emplace_back();
        written.change = change;
        const CParaItem& item = *change.item;
        CParaItem copy = item;
        copy.SetValue(static_cast<int32_t>(change.newValue), change.axis);
        const uint32_t x = copy.RawValue(change.axis);
        const uint16_t address = ParaAddress(item.m_nGroup, item.m_nItem, change.axis);
        const uint16_t words[2] = {static_cast<uint16_t>(x & 0xFFFF), static_cast<uint16_t>(x >> 16)};
        const std::string& what = change.what;
        if (!cmd->m_pLink->Write_MultiReg(station, address, 2, words)) {
            written.result = WrittenChange::Result::Refused;
            written.message = "the drive did not take " + what + "=" + change.newText + ": " +
                              ToUtf8(cmd->m_pLink->GetErrMsg());
            break;
        }
        uint16_t back[2] = {};
        if (!cmd->m_pLink->Read_Reg(station, address, 2, back)) {
            written.result = WrittenChange::Result::Mismatch;
            written.message = what + " does not read back: " + ToUtf8(cmd->m_pLink->GetErrMsg());
            break;
        }
        written.readBack = PairValue(item, back[0], back[1]);
        written.readBackText = FormatAs(item, *written.readBack);
        if (*written.readBack != change.newValue) {
            written.result = WrittenChange::Result::Mismatch;
            written.message = what + ": wrote " + change.newText + ", the drive holds " + written.readBackText;
            break;
        }
    }
    return done;
}

}  // namespace tarn::review
