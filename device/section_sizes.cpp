// The section-size registers: one read or one write each.
#include "device/device_cmd.h"
#include "device/drive_registers.h"

namespace tarn {

int16_t CDeviceCmd::ReadSectionDV_Size() { return ReadWord(reg::kSizeDV, "ReadSectionDV_Size size error!"); }
int16_t CDeviceCmd::ReadSectionP_Size() { return ReadWord(reg::kSizeProgram, "ReadSectionP_Size error!"); }
int16_t CDeviceCmd::ReadSectionDH_Size() { return ReadWord(reg::kSizeDH, "Read Sessoin_DH size error!"); }
int16_t CDeviceCmd::ReadSectionMV_Size() { return ReadWord(reg::kSizeMV, "Read Sessoin_MV size error!"); }
int16_t CDeviceCmd::ReadSectionX_Size() { return ReadWord(reg::kSizeX, "ReadSectionX_Size size error!"); }
int16_t CDeviceCmd::ReadSectionY_Size() { return ReadWord(reg::kSizeY, "ReadSectionY_Size size error!"); }
int16_t CDeviceCmd::ReadSectionTUD_Size() { return ReadWord(reg::kSizeTC, "ReadSectionTUD_Size size error!"); }
int16_t CDeviceCmd::ReadActualDV_Size() { return ReadWord(reg::kActualDV, "ReadActualDV_Size size error!"); }
int16_t CDeviceCmd::ReadSectionT_Size() { return ReadWord(reg::kSizeT, "ReadSectionT_Size size error!"); }
int16_t CDeviceCmd::ReadSectionTU_Size() { return ReadWord(reg::kSizeTU, "ReadSectionTU_Size size error!"); }
int16_t CDeviceCmd::ReadAutoDV_StartAddr() { return ReadWord(reg::kAutoDVStart, "ReadAutoDV_StartAddr error!"); }
int16_t CDeviceCmd::ReadActualAutoDV_Size() { return ReadWord(reg::kActualAutoDV, "Read Actual Auto DV size error!"); }
int16_t CDeviceCmd::ReadFAT_TableVersion() { return ReadWord(reg::kFatVersion, "ReadFAT_TableVersion error!"); }

void CDeviceCmd::WriteSectionDV_Size(int16_t size) { WriteWord(reg::kSizeDV, size, "Write Sessoin_DV size error!"); }
void CDeviceCmd::WriteSectionP_Size(int16_t size) { WriteWord(reg::kSizeProgram, size, "Write Programe size error!"); }
void CDeviceCmd::WriteSectionDH_Size(int16_t size) { WriteWord(reg::kSizeDH, size, "Write Sessoin_DH size error!"); }
void CDeviceCmd::WriteSectionMV_Size(int16_t size) { WriteWord(reg::kSizeMV, size, "Write Sessoin_MV size error!"); }
void CDeviceCmd::WriteSectionX_Size(int16_t size) { WriteWord(reg::kSizeX, size, "Write Sessoin_X size error!"); }
void CDeviceCmd::WriteSectionY_Size(int16_t size) { WriteWord(reg::kSizeY, size, "Write Sessoin_Y size error!"); }
// The TC register always gets 1024, whatever the image says.
void CDeviceCmd::WriteSectionTC_Size() { WriteWord(reg::kSizeTC, reg::kTcSizeWritten, "Write Sessoin_TC size error!"); }
void CDeviceCmd::WriteActualDV_Size(int16_t size) { WriteWord(reg::kActualDV, size, "Write ActualDV size error!"); }
void CDeviceCmd::WriteSectionT_Size(int16_t size) { WriteWord(reg::kSizeT, size, "Write Sessoin_T size error!"); }
void CDeviceCmd::WriteSectionTU_Size(int16_t size) { WriteWord(reg::kSizeTU, size, "Write T+CU size error!"); }
void CDeviceCmd::WriteAutoDV_StartAddr(int16_t address) { WriteWord(reg::kAutoDVStart, address, "Write AutoDV_StartAddr error!"); }
void CDeviceCmd::WriteActualAutoDV_Size(int16_t size) { WriteWord(reg::kActualAutoDV, size, "Write Actual Auto DV size error!"); }
void CDeviceCmd::WriteFAT_Version(int16_t version) { WriteWord(reg::kFatVersion, version, "Write FAT Version error!"); }

}  // namespace tarn
