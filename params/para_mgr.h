#pragma once
// The parameter manager: every parameter of the connected drive, grouped as the
// drive reports its groups, for up to three axes. It learns the definitions from
// the drive, uploads and downloads the values, keeps them in an image, and
// writes the definitions to a PCF file named after the drive's identity.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/cmd_impl.h"
#include "image/dev_info.h"
#include "image/file_io.h"
#include "params/para_item.h"
#include "platform/window.h"

namespace tarn {

// A new log line is in m_strLog (sent: the sender waits until it is read).
constexpr uint32_t WM_PARA_LOG = 1526;
// Sent while values are written: wParam the items written, lParam the items to write.
constexpr uint32_t WM_PARA_PROGRESS = WM_USER + 610;
// Posted: (1, 0) definitions read; (0, 8) value upload failed; (0, 9) reading the
// definitions failed.
constexpr uint32_t WM_PARA_DONE = 1525;

// Results of DownloadValues.
enum DownloadResult : int {
    kDownloadDone = 0,
    kDownloadNoIdentity = 1,
    kDownloadLineFault = 2,  // a write got no valid reply: the line, not the drive, failed
    kDownloadStopped = 3,    // stopped on request between two parameter writes
    kDownloadServoOn = 8,
    kDownloadOtherMachine = 9,
};

class CParaMgr : public IBasicDataIO, public ICmdImpl {
public:
    // Bounds on what a drive or an image may claim, so that a bad one cannot
    // make the tool allocate without end.
    static constexpr int kMaxGroups = 64;
    static constexpr int kMaxItemsPerGroup = 1000;

    HRESULT LoadFromStorage(IStorage* storage, int mode) override;
    HRESULT SaveToStorage(IStorage* storage) override;

    void ReadDefinitions();
    void RefreshDefinitions();
    // Reads every group's values; `groupRead` (when given) hears of each group
    // done, with the number of groups, as the read goes on.
    bool UploadValues(const std::function<void(int done, int groups)>& groupRead = {});
    int DownloadValues();
    // Items the last DownloadValues wrote, and the items it was to write.
    int ItemsWritten() const { return m_nItemsWritten; }
    int ItemsToWrite() const { return m_nItemsToWrite; }
    HRESULT SavePcf(const std::u16string& directory, const std::u16string& path);
    std::u16string GetPcfDirectory() const;
    std::u16string GetPcfPath() const;

    // Where PCF files go; empty: the program's own directory when it is
    // writable, else the user's data directory (see GetPcfDirectory).
    void SetPcfRoot(const std::u16string& root) { m_pcfRoot = root; }

    // Forgets every group and item (the held identity stays).
    void ClearTable();

    // Takes another manager's drive identity, axes, groups and items (their
    // definitions and values), wired to this manager's command implementation:
    // a read of a drive for comparison reads the values of the image's items.
    void CopyDefinitionsFrom(const CParaMgr& other);

    int GroupCount() const { return static_cast<int>(m_pGroupCap.size()); }
    // The group number of table entry k: 0, 1, ... then -1, -2, ...
    int GroupNumber(int k) const { return k < m_nGroupCount ? k : m_nGroupCount - k - 1; }
    std::vector<CParaItem>& Items(int k) { return m_ppItems[k]; }
    const std::vector<CParaItem>& Items(int k) const { return m_ppItems[k]; }

    CDevInfo m_DevInfo;
    int32_t m_nAxes = 1;
    int32_t m_nGroupCount = 0;
    int32_t m_nExtCount1 = 0;
    int32_t m_nExtCount2 = 0;
    std::u16string m_strLog;
    std::vector<int32_t> m_pGroupCap;
    std::vector<std::vector<CParaItem>> m_ppItems;
    IWindow* m_hNotifyWnd = nullptr;

private:
    void Log(std::u16string line);
    void Post(uint32_t message, WPARAM wParam, LPARAM lParam);
    std::u16string AxisPrefix(int axis) const;
    void UploadGroup(int k);

    std::u16string m_pcfRoot;
    int m_nItemsWritten = 0;
    int m_nItemsToWrite = 0;
};

// The register of item (group, item) on an axis: ((a << 13) XOR (g << 8)) + 2 x n.
uint16_t ParaAddress(int group, int item, int axis);

}  // namespace tarn
