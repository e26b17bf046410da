// A whole configuration between the drive and CCfgExchange: the download with
// its burn and ready wait, the read of the drive's own section sizes, and the
// upload, each reporting its progress codes.
#include <algorithm>

#include "device/device_cmd.h"
#include "device/transfer_progress.h"
#include "image/cfg_exchange.h"
#include "params/para_mgr.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr uint32_t kAfterEnableMs = 10;
constexpr uint32_t kBurnMs = 3000;

// `count` words of a buffer, padded with 0 where the buffer is shorter.
std::vector<uint16_t> Words(const WordBuffer& buffer, int count) {
    std::vector<uint16_t> words(static_cast<size_t>(std::max(count, 0)), 0);
    if (buffer) std::copy_n(buffer->begin(), std::min(words.size(), buffer->size()), words.begin());
    return words;
}

// A size the drive reports, used as a buffer length: a negative one is refused.
int WordCount(int16_t size) {
    if (size < 0) throw Widen("Section size out of range!");
    return size;
}

// Why a parameter download ended, by its result code.
std::u16string ParameterDownloadFailure(int result) {
    switch (result) {
        case kDownloadNoIdentity: return u"The drive's identity does not read: no parameter was written.";
        case kDownloadServoOn: return u"A servo is on: no parameter was written.";
        case kDownloadOtherMachine:
            return u"The drive is another machine than the parameters' own: no parameter was written.";
        default: return u"The line failed while the parameters were written.";
    }
}

}  // namespace

bool CCfgExchange::DownloadToDevice(IWindow* window) {
    auto progress = [window](TransferStep step) {
        if (window)
            window->Send(WM_TOOLKIT_PROGRESS, static_cast<WPARAM>(static_cast<intptr_t>(step)), 0);
    };
    m_strLastFailure.clear();
    // The parts in the order they are written; each moves to `written` when whole.
    m_lastWrite = {};
    auto& pending = m_lastWrite.unwritten;
    if (DownloadPara) pending.push_back(u"Parameter");
    if (DownloadSizes) pending.push_back(u"Section size configuration");
    if (DownloadProgramDV) pending.insert(pending.end(), {u"DV", u"Program"});
    if (DownloadDH) pending.push_back(u"DH");
    if (DownloadMH) pending.push_back(u"MH");
    if (DownloadProgramDV) pending.push_back(u"Burn");
    auto done = [this](const char16_t* part) {
        auto& from = m_lastWrite.unwritten;
        from.erase(std::find(from.begin(), from.end(), std::u16string(part)));
        m_lastWrite.written.push_back(part);
    };
    CDeviceCmd* cmd = nullptr;
    auto stopHere = [&] { return (m_lastWrite.stopped = m_lastWrite.stopped || cmd->StopRequested()); };
    auto stopped = [this] {
        m_strLastFailure = u"Stopped on request.";
        if (m_pMessageBox) m_pMessageBox->Show(u"Stopped on request.", MbButtons::Ok, MbIcon::Warning);
        return false;
    };
    try {
        cmd = GetCmd();
        // A machine key the drive cannot hold is refused before anything is sent.
        if (DownloadProgramDV && !MachineKey.empty() && MachineKey != u"7350" &&
            MachineKeyBytes(MachineKey).size() > kMaxMachineKeyBytes)
            throw Widen("Machine key is longer than 10 bytes!");
        if (stopHere()) return stopped();
        cmd->ClearP3_08();
        cmd->EnableHiddenParas();
        if (DownloadPara) {
            progress(TransferStep::Parameters);
            const int result = ParaMgr ? ParaMgr->DownloadValues() : kDownloadNoIdentity;
            if (result == kDownloadStopped) {
                m_lastWrite.stopped = true;
                return stopped();
            }
            if (result != kDownloadDone) {
                m_strLastFailure = ParameterDownloadFailure(result);
                progress(TransferStep::ParametersFailed);
                return false;
            }
            done(u"Parameter");
        }
        if (stopHere()) return stopped();
        if (DownloadSizes) {
            progress(TransferStep::Sizes);
            cmd->WriteSectionDV_Size(SectionDV_Size.image);
            cmd->WriteSectionP_Size(SectionP_Size.image);
            cmd->WriteSectionDH_Size(SectionDH_Size.image);
            cmd->WriteSectionMV_Size(SectionMV_Size.image);
            cmd->WriteSectionX_Size(SectionX_Size.image);
            cmd->WriteSectionY_Size(SectionY_Size.image);
            cmd->WriteSectionTC_Size();
            cmd->WriteActualDV_Size(ActualDV_Size.image);
            cmd->WriteActualAutoDV_Size(ActualAutoDV_Size.image);
            cmd->WriteAutoDV_StartAddr(AutoDV_StartAddr.image);
            cmd->WriteFAT_Version(FAT_TableVersion.image);
            cmd->WriteSectionT_Size(SectionT_Size.image);
            cmd->WriteSectionTU_Size(SectionTU_Size.image);
            done(u"Section size configuration");
        }
        cmd->UnlockAndRunP5_01();
        if (stopHere()) return stopped();
        if (DownloadProgramDV) {
            FoldProgramChecksum();
            cmd->EnableP5_01();
            cmd->Clock().Sleep(kAfterEnableMs);
            progress(TransferStep::DV);
            if (DVData) cmd->DownloadDVContent(ActualDV_Size.image, Words(DVData, ActualDV_Size.image).data());
            if (AutoDVData)
                cmd->DownloadAutoDVContent(ActualAutoDV_Size.image,
                                           Words(AutoDVData, ActualAutoDV_Size.image).data(),
                                           AutoDV_StartAddr.image);
            done(u"DV");
            progress(TransferStep::Program);
            cmd->DownloadProgramContent(SectionP_Size.image, Words(ProgramData, SectionP_Size.image).data(),
                                        MachineKey);
            done(u"Program");
        }
        // Once the Program is in, a stop skips DH and MH but still burns.
        if (DownloadDH && !stopHere()) {
            progress(TransferStep::DH);
            cmd->DownloadDHContent(SectionDH_Size.image, Words(DHData, SectionDH_Size.image).data());
            done(u"DH");
        }
        if (DownloadMH && !stopHere()) {
            progress(TransferStep::WriteMH);
            std::vector<uint16_t> mh(kMHWords, 0);
            if (MHData) std::copy(MHData->begin(), MHData->end(), mh.begin());
            cmd->DownloadMHContent(mh.data());
            done(u"MH");
        }
        if (DownloadProgramDV) {
            progress(TransferStep::Burn);
            cmd->UnlockAndRunP5_01();
            cmd->Clock().Sleep(kBurnMs);
            if (!cmd->WaitP5_02Ready()) throw Widen("Download Fail(P5_02)!");
            done(u"Burn");
        }
        if (m_lastWrite.stopped) return stopped();
        progress(TransferStep::Finished);
        return true;
    } catch (const std::u16string& message) {
        m_strLastFailure = message;
        if (m_pMessageBox) m_pMessageBox->Show(message, MbButtons::Ok, MbIcon::Warning);
        return false;
    }
}

bool CCfgExchange::ReadDeviceSizes() {
    try {
        CDeviceCmd* cmd = GetCmd();
        cmd->ClearP3_08();
        cmd->EnableHiddenParas();
        SectionDV_Size.drive = cmd->ReadSectionDV_Size();
        ActualDV_Size.drive = cmd->ReadActualDV_Size();
        SectionP_Size.drive = cmd->ReadSectionP_Size();
        SectionDH_Size.drive = cmd->ReadSectionDH_Size();
        ActualAutoDV_Size.drive = cmd->ReadActualAutoDV_Size();
        AutoDV_StartAddr.drive = cmd->ReadAutoDV_StartAddr();
        FAT_TableVersion.drive = cmd->ReadFAT_TableVersion();
        return true;
    } catch (const std::u16string&) {
        return false;
    }
}

bool CCfgExchange::UploadFromDevice(ProgressCallback callback, void* context) {
    if (IncludeProgramDV == 1 && !ProgramSource) return false;
    DataValid = false;
    auto progress = [&](TransferStep step) {
        if (callback) callback(context, static_cast<int>(step));
    };
    try {
        CDeviceCmd* cmd = GetCmd();
        if (IncludePara == 1) {
            progress(TransferStep::Parameters);
            if (ParaMgr) ParaMgr->UploadValues();
        }
        progress(TransferStep::Sizes);
        cmd->ClearP3_08();
        cmd->EnableHiddenParas();
        SectionDV_Size.image = cmd->ReadSectionDV_Size();
        ActualDV_Size.image = cmd->ReadActualDV_Size();
        if (IncludeProgramDV == 1) progress(TransferStep::ProgramDVSizes);
        DVData.emplace(static_cast<size_t>(WordCount(ActualDV_Size.image)), 0);
        if (IncludeProgramDV == 1 && DVSource)
            std::copy_n(DVSource->Words(), DVData->size(), DVData->begin());
        ActualAutoDV_Size.image = cmd->ReadActualAutoDV_Size();
        AutoDV_StartAddr.image = cmd->ReadAutoDV_StartAddr();
        FAT_TableVersion.image = cmd->ReadFAT_TableVersion();
        AutoDVData.emplace(static_cast<size_t>(WordCount(ActualAutoDV_Size.image)), 0);
        if (IncludeProgramDV == 1 && DVSource)
            std::copy_n(DVSource->Words() + DVSource->AutoDVOffset(), AutoDVData->size(), AutoDVData->begin());
        if (IncludeProgramDV == 1) {
            progress(TransferStep::Program);
            const uint32_t length = ProgramSource->LengthInWords();
            if (length > 0x7FFF) throw Widen("Section size out of range!");
            SectionP_Size.image = static_cast<int16_t>(length);
            ProgramData.emplace(ProgramSource->Words(), ProgramSource->Words() + length);
            ProgramChecksum = *ProgramSource->ChecksumSeed();
        }
        SectionDH_Size.image = cmd->ReadSectionDH_Size();
        DHData.emplace(static_cast<size_t>(WordCount(SectionDH_Size.image)), 0);
        if (IncludeDH == 1) {
            progress(TransferStep::DH);
            if (!cmd->UploadSection(kAreaDH, SectionDH_Size.image, DHData->data())) return false;
        }
        MHData.emplace();
        MHData->fill(0);
        if (IncludeMH == 1) {
            progress(TransferStep::ReadMH);
            if (!cmd->UploadSection(kAreaMH, kMHWords, MHData->data())) return false;
        }
        progress(TransferStep::OtherSizes);
        SectionMV_Size.image = cmd->ReadSectionMV_Size();
        SectionX_Size.image = cmd->ReadSectionX_Size();
        SectionY_Size.image = cmd->ReadSectionY_Size();
        SectionT_Size.image = cmd->ReadSectionT_Size();
        SectionTU_Size.image = cmd->ReadSectionTU_Size();
        SectionTUD_Size.image = cmd->ReadSectionTUD_Size();
        cmd->UnlockAndRunP5_01();
        progress(TransferStep::Finished);
        DataValid = true;
        return true;
    } catch (const std::u16string&) {
        return false;
    }
}

}  // namespace tarn
