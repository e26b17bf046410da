// Learning the parameter set from the drive, and moving its values to and from
// the drive.
#include "params/para_mgr.h"

#include <algorithm>

#include "device/device_inst.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr int kChunkItems = 5;
constexpr int kMaxRefusedReads = 6;
constexpr uint16_t kThreeAxisDrive = 6;

int64_t JoinIdentity(const CDevInfo& info) {
    return int64_t{info.m_wIdent1} * 65536 + info.m_wIdent2;
}

}  // namespace

uint16_t ParaAddress(int group, int item, int axis) {
    return static_cast<uint16_t>(((axis << 13) ^ (group << 8)) + 2 * item);
}

void CParaMgr::ClearTable() {
    m_pGroupCap.clear();
    m_ppItems.clear();
    m_nGroupCount = m_nExtCount1 = m_nExtCount2 = 0;
}

void CParaMgr::Log(std::u16string line) {
    m_strLog = std::move(line);
    if (m_hNotifyWnd) m_hNotifyWnd->Send(WM_PARA_LOG, 0, 0);
}

void CParaMgr::Post(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (m_hNotifyWnd) m_hNotifyWnd->Post(message, wParam, lParam);
}

std::u16string CParaMgr::AxisPrefix(int axis) const {
    if (m_nAxes == 1) return u"";
    return axis == 0 ? u"x:" : axis == 1 ? u"y:" : u"z:";
}

void CParaMgr::ReadDefinitions() {
    try {
        ClearTable();
        CDeviceCmd* cmd = GetCmd();
        int ordinary = 0, extra = 0, flag = 0;
        cmd->ReadParaGroupNum(&ordinary, &extra, &flag);
        if (ordinary + extra + flag > kMaxGroups) throw Widen("ReadParaGroupNum error!");
        m_nGroupCount = ordinary;
        m_nExtCount1 = extra;
        m_nExtCount2 = flag;
        const int total = ordinary + extra + flag;
        for (int k = 0; k < total; ++k) {
            const int group = GroupNumber(k);
            const int capacity = cmd->GetParaGoupCap(group);
            // A drive that claims a negative or absurd item count is not believed.
            if (capacity < 0 || capacity > kMaxItemsPerGroup)
                throw Widen("GetParaGoupCap read Error!");
            m_pGroupCap.push_back(capacity);
            m_ppItems.emplace_back(static_cast<size_t>(capacity));
            for (int n = 0; n < capacity; ++n) {
                CParaItem& item = m_ppItems[k][n];
                item.m_nGroup = group;
                item.m_nItem = n;
                uint16_t record[16] = {};
                cmd->ReadParaCfg(group, n, record);
                item.SetDefinition(record);
                item.SetCmdImpl(m_pImpl);
            }
        }
        Post(WM_PARA_DONE, 1, 0);
    } catch (const std::u16string&) {
        // A table cut short would disagree with its counts, and its items would
        // hold no values the drive gave: nothing is kept, so an image saved now
        // loads again and the next upload learns the groups anew.
        ClearTable();
        Post(WM_PARA_DONE, 0, 9);
        throw;
    }
}

void CParaMgr::RefreshDefinitions() {
    CDeviceCmd* cmd = GetCmd();
    cmd->ReadDevInfo(m_DevInfo);
    m_nAxes = m_DevInfo.m_wIdent2 == kThreeAxisDrive ? 3 : 1;
    cmd->EnableHiddenParas();
    ReadDefinitions();
    cmd->ResetP2_08();
    SavePcf(GetPcfDirectory(), GetPcfPath());  // a PCF file that cannot be written is no failure
}

void CParaMgr::UploadGroup(int k) {
    CDeviceCmd* cmd = GetCmd();
    auto& items = m_ppItems[k];
    const int count = static_cast<int>(items.size());
    for (int first = 0; first < count; first += kChunkItems) {
        const int chunk = std::min(kChunkItems, count - first);
        for (int axis = 0; axis < m_nAxes; ++axis) {
            uint16_t words[2 * kChunkItems] = {};
            const uint16_t address = ParaAddress(GroupNumber(k), first, axis);
            int refused = 0;
            while (!cmd->ReadParaValues(address, static_cast<uint16_t>(2 * chunk), words)) {
                if (++refused == kMaxRefusedReads) throw Widen("Error!");
            }
            for (int i = 0; i < chunk; ++i) {
                CParaItem& item = items[first + i];
                const uint16_t low = words[2 * i], high = words[2 * i + 1];
                if (!item.Is32Bit()) {
                    item.m_Value[axis] = item.IsUnsigned() ? int64_t{low} : int64_t{static_cast<int16_t>(low)};
                } else {
                    const uint32_t bits = uint32_t{high} << 16 | low;
                    item.m_Value[axis] = item.IsUnsigned() ? int64_t{bits} : int64_t{static_cast<int32_t>(bits)};
                }
            }
        }
    }
}

void CParaMgr::CopyDefinitionsFrom(const CParaMgr& other) {
    m_DevInfo = other.m_DevInfo;
    m_nAxes = other.m_nAxes;
    m_nGroupCount = other.m_nGroupCount;
    m_nExtCount1 = other.m_nExtCount1;
    m_nExtCount2 = other.m_nExtCount2;
    m_pGroupCap = other.m_pGroupCap;
    m_ppItems = other.m_ppItems;
    for (auto& group : m_ppItems)
        for (CParaItem& item : group) item.SetCmdImpl(m_pImpl);
}

bool CParaMgr::UploadValues(const std::function<void(int done, int groups)>& groupRead) {
    try {
        CDeviceCmd* cmd = GetCmd();
        CDevInfo drive;
        cmd->ReadDevInfo(drive);
        if (m_nGroupCount == 0) RefreshDefinitions();
        cmd->EnableHiddenParas();
        if (m_DevInfo.m_wIdent1 != drive.m_wIdent1 || m_DevInfo.m_wIdent2 != drive.m_wIdent2)
            ReadDefinitions();
        for (int k = 0; k < GroupCount(); ++k) {
            UploadGroup(k);
            if (groupRead) groupRead(k + 1, GroupCount());
        }
        cmd->ResetP2_08();
        return true;
    } catch (const std::u16string&) {
        Post(WM_PARA_DONE, 0, 8);
        return false;
    }
}

int CParaMgr::DownloadValues() {
    CDeviceCmd* cmd = GetCmd();
    cmd->PrepareParaDownload();
    CDevInfo drive;
    if (!cmd->ReadDevInfo(drive)) return kDownloadNoIdentity;
    if (JoinIdentity(m_DevInfo) != JoinIdentity(drive)) return kDownloadOtherMachine;
    const int servoAxes = m_DevInfo.m_wIdent2 == kThreeAxisDrive ? 3 : 1;
    for (int axis = 0; axis < servoAxes; ++axis)
        if (cmd->IsServoOn(axis)) return kDownloadServoOn;

    // Ordinary groups only; items marked as not downloadable are skipped.
    m_nItemsWritten = m_nItemsToWrite = 0;
    for (int k = 0; k < m_nGroupCount && k < GroupCount(); ++k)
        for (const CParaItem& item : m_ppItems[k]) m_nItemsToWrite += !(item.Attributes() & kAttrNotDownloaded);
    for (int k = 0; k < m_nGroupCount && k < GroupCount(); ++k) {
        for (CParaItem& item : m_ppItems[k]) {
            if (item.Attributes() & kAttrNotDownloaded) continue;
            // Between two items every written value is whole on the drive.
            if (cmd->StopRequested()) return kDownloadStopped;
            for (int axis = 0; axis < m_nAxes; ++axis) {
                if (cmd->WriteParaValue(ParaAddress(item.m_nGroup, item.m_nItem, axis), item.RawValue(axis)))
                    continue;
                if (m_hNotifyWnd)
                    Log(AxisPrefix(axis) + WidenFormat("P%d-%d=", item.m_nGroup, item.m_nItem) +
                        item.FormatValue(axis) + u" download fail");
                // A refused value is skipped; but with the line failing (or gone)
                // every further value would be skipped too, and the download
                // would end as if done with the drive unlike the image.
                // A refusal is the drive's answer; anything else failed on the line.
                if (cmd->m_LastFault.OnTheLine()) return kDownloadLineFault;
            }
            ++m_nItemsWritten;
            // Sent, so it is shown before the next stage's code; one per percent.
            if (m_hNotifyWnd && m_nItemsWritten * 100 / m_nItemsToWrite != (m_nItemsWritten - 1) * 100 / m_nItemsToWrite)
                m_hNotifyWnd->Send(WM_PARA_PROGRESS, static_cast<WPARAM>(m_nItemsWritten),
                                   static_cast<LPARAM>(m_nItemsToWrite));
        }
    }
    return kDownloadDone;
}

}  // namespace tarn
