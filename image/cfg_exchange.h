#pragma once
// The one drive configuration in memory: section sizes, the contents of the DV,
// Auto DV, Program, DH and MH sections, what an image includes, what a download
// is to write, a part number and a machine key. The upload from the drive fills
// it, the image file stores it, the download writes it to the drive.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/cmd_impl.h"
#include "image/file_io.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace tarn {

class CParaMgr;

// Progress of DownloadToDevice, sent to its window (the sender waits).
constexpr uint32_t WM_TOOLKIT_PROGRESS = 1494;

// A section size: the image half (what an image stores and a download writes)
// and the drive half (last read back from the drive by ReadDeviceSizes).
struct SizePair {
    int16_t image = 0;
    int16_t drive = 0;
};

// A buffer of section words; absent until an upload or a load creates it.
using WordBuffer = std::optional<std::vector<uint16_t>>;
using MHBuffer = std::optional<std::array<uint16_t, 128>>;

// Providers of a Program and of DV contents from outside the drive. Nothing in
// this tool attaches one, so an upload that includes the Program part cannot
// succeed.
struct IProgramSource {
    virtual ~IProgramSource() = default;
    virtual uint32_t LengthInWords() = 0;
    virtual const uint16_t* Words() = 0;
    virtual const uint32_t* ChecksumSeed() = 0;
};

struct IDVSource {
    virtual ~IDVSource() = default;
    virtual const uint16_t* Words() = 0;
    virtual uint32_t AutoDVOffset() = 0;  // where the Auto DV words start in Words()
};

using ProgressCallback = void (*)(void* context, int code);

class CCfgExchange : public IBasicDataIO, public ICmdImpl {
public:
    CCfgExchange() = default;
    CCfgExchange(const CCfgExchange&) = delete;
    CCfgExchange& operator=(const CCfgExchange&) = delete;

    HRESULT LoadFromStorage(IStorage* storage, int mode) override;
    HRESULT SaveToStorage(IStorage* storage) override;

    // Transfers between this configuration and the drive.
    bool DownloadToDevice(IWindow* window);
    bool ReadDeviceSizes();
    bool UploadFromDevice(ProgressCallback callback, void* context);
    void FoldProgramChecksum();

    // Where DownloadToDevice shows a failure; none: the failure is only returned.
    void SetMessageBox(IMessageBox* box) { m_pMessageBox = box; }
    // The message that ended the last DownloadToDevice, empty when it finished.
    const std::u16string& LastFailure() const { return m_strLastFailure; }

    // Forgets the configuration held (sizes, contents, includes, part number,
    // machine key, DataValid) before another one is read in, so that nothing of
    // an earlier image or drive stays behind; the wiring stays.
    void ClearContent();

    // What the last DownloadToDevice wrote whole and what it left unwritten,
    // part by part, and whether it ended early on a stop request (the command
    // set's RequestStop): it stops only between parameter writes and between
    // parts, and a Program it has written is always burned.
    struct WriteRecord {
        std::vector<std::u16string> written;
        std::vector<std::u16string> unwritten;
        bool stopped = false;
    };
    const WriteRecord& LastWrite() const { return m_lastWrite; }

    IProgramSource* ProgramSource = nullptr;
    IDVSource* DVSource = nullptr;
    CParaMgr* ParaMgr = nullptr;
    SizePair SectionX_Size;
    SizePair SectionY_Size;
    SizePair SectionDV_Size;
    SizePair ActualDV_Size;
    SizePair SectionP_Size;
    SizePair SectionDH_Size;
    SizePair SectionMV_Size;
    SizePair SectionT_Size;
    SizePair SectionTU_Size;
    SizePair SectionTUD_Size;
    SizePair AutoDV_StartAddr;
    SizePair ActualAutoDV_Size;
    SizePair FAT_TableVersion;
    WordBuffer ProgramData;
    WordBuffer DVData;
    WordBuffer DHData;
    MHBuffer MHData;
    WordBuffer AutoDVData;
    bool DownloadSizes = false;
    bool DownloadProgramDV = false;
    bool DownloadDH = false;
    bool DownloadMH = false;
    bool DownloadPara = false;
    uint32_t IncludeProgramDV = 0;
    uint32_t IncludeDH = 0;
    uint32_t IncludeMH = 0;
    uint32_t IncludePara = 0;
    bool DataValid = false;
    uint32_t FormatVersion = 1;
    uint32_t ProgramChecksum = 0;
    std::u16string PartNumber;
    std::u16string MachineKey;

private:
    IMessageBox* m_pMessageBox = nullptr;
    std::u16string m_strLastFailure;
    WriteRecord m_lastWrite;
};

// The single configuration of the process, created on first use.
CCfgExchange& GetCfgExchange();

}  // namespace tarn
