// The common shape of every drive operation, and the operations on the drive's
// settings, identity and state.
#include "device/device_cmd.h"

#include "device/device_inst.h"
#include "device/drive_registers.h"
#include "image/dev_info.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr uint32_t kReadyPollMs = 200;
constexpr uint32_t kReadyLimitMs = 7000;

}  // namespace

uint8_t CDeviceCmd::Station() { return m_pDevInst->GetStation(); }

bool CDeviceCmd::Check(bool linkResult) {
    if (linkResult) return true;
    m_strLastError = m_pLink->GetErrMsg();
    const auto* faults = dynamic_cast<const ILinkFaults*>(m_pLink);
    m_LastFault = faults ? faults->LastFault() : LinkFault{};
    return false;
}

bool CDeviceCmd::ReadParaValues(uint16_t address, uint16_t count, uint16_t* out) {
    return Check(m_pLink->Read_Reg(Station(), address, count, out));
}

bool CDeviceCmd::WriteParaValue(uint16_t address, uint32_t value) {
    const uint16_t words[2] = {static_cast<uint16_t>(value & 0xFFFF), static_cast<uint16_t>(value >> 16)};
    return Check(m_pLink->Write_MultiReg(Station(), address, 2, words));
}

void CDeviceCmd::Raise(const char* message) { throw Widen(message); }

int16_t CDeviceCmd::ReadWord(uint16_t address, const char* failure) {
    uint16_t word = 0;
    if (!Check(m_pLink->Read_Reg(Station(), address, 1, &word))) Raise(failure);
    return static_cast<int16_t>(word);
}

void CDeviceCmd::WriteWord(uint16_t address, uint16_t value, const char* failure) {
    if (!Check(m_pLink->Write_Reg(Station(), address, value))) Raise(failure);
}

void CDeviceCmd::ClearP3_08() { WriteWord(reg::kP3_08, 0, "P3_08 Error!"); }

void CDeviceCmd::EnableHiddenParas() {
    WriteWord(reg::kSpecialFunction, reg::kCodeHidden1, "Enable Hidden Paras fail!");
    WriteWord(reg::kSpecialFunction, reg::kCodeHidden2, "Enable Hidden Paras fail!");
}

void CDeviceCmd::ResetP2_08() {
    WriteWord(reg::kSpecialFunction, 0, "P2-08 set 0 fail!");
    WriteWord(reg::kSpecialFunction, reg::kCodeHidden2, "P2-08 set 73  fail!");
}

void CDeviceCmd::UnlockAndRunP5_01() {
    WriteWord(reg::kSpecialFunction, reg::kCodeRun, "Enable Hidden Paras fail!");
    WriteWord(reg::kCommand, reg::kRunStep, "683 Run fail!");
}

bool CDeviceCmd::PrepareParaDownload() {
    UnlockAndRunP5_01();
    return Check(m_pLink->Write_Reg(Station(), reg::kCommand, reg::kParaDownload));
}

void CDeviceCmd::EnableP5_01() { WriteWord(reg::kCommand, reg::kEnableP5_01, "Enable P5-01 2 error!"); }

bool CDeviceCmd::WaitP5_02Ready() {
    const uint32_t start = m_pClock->TickCount();
    for (;;) {
        m_pClock->Sleep(kReadyPollMs);
        uint16_t status = 0;
        if (Check(m_pLink->Read_Reg(Station(), reg::kStatus, 1, &status)) &&
            (status & reg::kStatusReady))
            return true;
        // Unsigned difference: a tick count that went backwards ends the wait too.
        if (static_cast<uint32_t>(m_pClock->TickCount() - start) > kReadyLimitMs) return false;
    }
}

bool CDeviceCmd::IsServoOn(int axis) {
    uint16_t word = 0;
    const uint16_t address = static_cast<uint16_t>(axis * 0x2000 + reg::kServoState);
    if (!Check(m_pLink->Read_Reg(Station(), address, 1, &word))) Raise("IsServoOn fail!");
    return (word >> 1) & 1;
}

bool CDeviceCmd::ReadStationNo(uint16_t* out) {
    return Check(m_pLink->Read_Reg(Station(), reg::kStation, 1, out));
}

bool CDeviceCmd::ReadParam(int group, int item, int count, uint16_t* out, int axis) {
    return Check(m_pLink->Read_Reg(Station(), reg::ParamAddress(group, item, axis),
                                   static_cast<uint16_t>(count), out));
}

bool CDeviceCmd::WriteParam(int group, int item, int value, int axis) {
    return Check(m_pLink->Write_Reg(Station(), reg::ParamAddress(group, item, axis),
                                    static_cast<uint16_t>(value)));
}

bool CDeviceCmd::ReadDevInfo(CDevInfo& record) {
    // The identity words are read straight into the record, as 16-bit words.
    const bool identity = Check(m_pLink->Read_Triple(
        Station(), reinterpret_cast<uint16_t*>(&record.m_wIdent1),
        reinterpret_cast<uint16_t*>(&record.m_wIdent2),
        reinterpret_cast<uint16_t*>(&record.m_wIdent3)));
    uint16_t word = 0;
    if (!ReadParam(0, 0, 1, &word, 0)) Raise("Fail to get Main Version!");
    record.m_nMainVersion = static_cast<int16_t>(word);
    if (!identity) return false;

    uint16_t sub[2] = {};
    if (!ReadParam(5, 0, 2, sub, 0)) Raise("Fail to get Sub Version!");
    record.m_nSubVersion = static_cast<int32_t>((uint32_t{sub[1]} << 16) | sub[0]);

    // Only drives of the second identity word 8 have an extension word, which
    // access code 58 unlocks; its failure is silent.
    if (record.m_wIdent2 == 8 &&
        Check(m_pLink->Write_Reg(Station(), reg::kSpecialFunction, reg::kCodeExtension))) {
        uint16_t extension = 0;
        if (Check(m_pLink->Read_Reg(Station(), reg::kExtension, 1, &extension)))
            record.m_nExtension = static_cast<int16_t>(extension);
    }
    return true;
}

// ---- parameter-group discovery ----

bool CDeviceCmd::ReadParaGroupNum(int* ordinary, int* extra, int* flag) {
    uint16_t words[2] = {};
    if (!Check(m_pLink->Read_Reg(Station(), reg::kGroupNumbers, 2, words)))
        Raise("ReadParaGroupNum error!");
    *ordinary = words[0] & 0xFF;
    *extra = words[0] >> 8;
    *flag = 0;
    if (*extra >= 3) {
        *flag = 1;
        *extra -= 1;
    }
    return true;
}

int16_t CDeviceCmd::GetParaGoupCap(int group) {
    WriteWord(reg::kGroupSelect, static_cast<uint16_t>(group), "GetParaGoupCap write Error!");
    return ReadWord(reg::kGroupCapacity, "GetParaGoupCap read Error!");
}

bool CDeviceCmd::ReadParaCfg(int group, int item, uint16_t* record) {
    const uint16_t address = static_cast<uint16_t>(group * 0x100 + item);
    if (!Check(m_pLink->Read_CFG(Station(), address, 16, record))) Raise("ReadParaCfg Error!");
    // Records flagged with bit 3 of word 6 hold their word 1 and word 5 one too high.
    if (record[6] & 0x08) {
        record[1] = static_cast<uint16_t>(record[1] - 1);
        record[5] = static_cast<uint16_t>(record[5] - 1);
    }
    return true;
}

}  // namespace tarn
