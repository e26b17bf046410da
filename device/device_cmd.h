#pragma once
// The command set: every named operation on the drive. Each link call goes to
// the station the device instance holds at that moment; a failed call leaves
// the link's message in m_strLastError, and then a throwing operation raises its
// own message (as a std::u16string) while a status operation returns false.
#include <cstdint>
#include <string>

#include "link/modbus_master.h"
#include "platform/tick_clock.h"

namespace tarn {

struct IDeviceInst;
class CDevInfo;

class CDeviceCmd {
public:
    // Section sizes (throwing; one link call each).
    int16_t ReadSectionDV_Size();
    int16_t ReadSectionP_Size();
    int16_t ReadSectionDH_Size();
    int16_t ReadSectionMV_Size();
    int16_t ReadSectionX_Size();
    int16_t ReadSectionY_Size();
    int16_t ReadSectionTUD_Size();
    int16_t ReadActualDV_Size();
    int16_t ReadSectionT_Size();
    int16_t ReadSectionTU_Size();
    int16_t ReadAutoDV_StartAddr();
    int16_t ReadActualAutoDV_Size();
    int16_t ReadFAT_TableVersion();
    void WriteSectionDV_Size(int16_t size);
    void WriteSectionP_Size(int16_t size);
    void WriteSectionDH_Size(int16_t size);
    void WriteSectionMV_Size(int16_t size);
    void WriteSectionX_Size(int16_t size);
    void WriteSectionY_Size(int16_t size);
    void WriteSectionTC_Size();  // always 1024
    void WriteActualDV_Size(int16_t size);
    void WriteSectionT_Size(int16_t size);
    void WriteSectionTU_Size(int16_t size);
    void WriteAutoDV_StartAddr(int16_t address);
    void WriteActualAutoDV_Size(int16_t size);
    void WriteFAT_Version(int16_t version);

    // Drive settings, identity and state.
    void ClearP3_08();
    void EnableHiddenParas();
    void ResetP2_08();
    void UnlockAndRunP5_01();
    bool PrepareParaDownload();
    void EnableP5_01();
    bool WaitP5_02Ready();
    bool IsServoOn(int axis);
    bool ReadStationNo(uint16_t* out);
    bool ReadDevInfo(CDevInfo& record);
    bool ReadParam(int group, int item, int count, uint16_t* out, int axis);
    bool WriteParam(int group, int item, int value, int axis);

    // Parameter-group discovery (throwing).
    bool ReadParaGroupNum(int* ordinary, int* extra, int* flag);
    int16_t GetParaGoupCap(int group);
    bool ReadParaCfg(int group, int item, uint16_t* record);

    // The clock WaitP5_02Ready measures and sleeps with; the real one unless a
    // test gives its own.
    void SetClock(ITickClock* clock) { m_pClock = clock ? clock : &SystemTickClock::Instance(); }

    IModbusMaster* m_pLink = nullptr;   // non-owning
    IDeviceInst* m_pDevInst = nullptr;  // non-owning
    std::u16string m_strLastError;

private:
    uint8_t Station();
    // The link call's result; on false the link's message is kept.
    bool Check(bool linkResult);
    [[noreturn]] static void Raise(const char* message);
    int16_t ReadWord(uint16_t address, const char* failure);
    void WriteWord(uint16_t address, uint16_t value, const char* failure);

    ITickClock* m_pClock = &SystemTickClock::Instance();
};

}  // namespace tarn
