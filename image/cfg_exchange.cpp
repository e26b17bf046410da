#include "image/cfg_exchange.h"

namespace tarn {

CCfgExchange& GetCfgExchange() {
    static CCfgExchange instance;
    return instance;
}

void CCfgExchange::ClearContent() {
    for (SizePair* size : {&SectionX_Size, &SectionY_Size, &SectionDV_Size, &ActualDV_Size, &SectionP_Size,
                           &SectionDH_Size, &SectionMV_Size, &SectionT_Size, &SectionTU_Size, &SectionTUD_Size,
                           &AutoDV_StartAddr, &ActualAutoDV_Size, &FAT_TableVersion})
        *size = SizePair{};
    for (WordBuffer* buffer : {&ProgramData, &DVData, &DHData, &AutoDVData}) buffer->reset();
    MHData.reset();
    IncludeProgramDV = IncludeDH = IncludeMH = IncludePara = 0;
    DataValid = false;
    FormatVersion = 1;
    ProgramChecksum = 0;
    PartNumber.clear();
    MachineKey.clear();
}

// A 32-bit checksum over the DV and Auto DV words, folded into the last two
// words of the Program before it is downloaded.
void CCfgExchange::FoldProgramChecksum() {
    if (!DVData) return;
    uint32_t acc = ProgramChecksum;
    auto fold = [&acc](const WordBuffer& words, int16_t count) {
        for (int i = 0; i < count && words && i < static_cast<int>(words->size()); ++i) {
            const uint32_t t = static_cast<uint32_t>(i) << 16 | (*words)[i];
            acc = (acc ^ t) + t;
        }
    };
    fold(DVData, ActualDV_Size.image);
    fold(AutoDVData, ActualAutoDV_Size.image);
    // The Program always holds room for the checksum when DV data is present;
    // a shorter Program has nowhere to keep it.
    const int size = SectionP_Size.image;
    if (!ProgramData || size < 2 || static_cast<int>(ProgramData->size()) < size) return;
    (*ProgramData)[size - 2] = static_cast<uint16_t>(acc & 0xFFFF);
    (*ProgramData)[size - 1] = static_cast<uint16_t>(acc >> 16);
}

}  // namespace tarn
