#pragma once
// The command set: every named operation on the drive. Each link call goes to
// the station the device instance holds at that moment; a failed call leaves
// the link's message in m_strLastError, and then a throwing operation raises its
// own message (as a std::u16string) while a status operation returns false.
#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "link/link_fault.h"
#include "link/modbus_master.h"
#include "platform/tick_clock.h"

namespace tarn {

struct IDeviceInst;
class CDevInfo;

// Areas of the drive's memory in the block functions.
constexpr uint8_t kAreaDH = 0;
constexpr uint8_t kAreaDV = 1;  // DV from 0, Auto DV at its start address
constexpr uint8_t kAreaMH = 2;
constexpr uint8_t kAreaProgram = 7;
constexpr int kMHWords = 128;

// The machine key as the drive knows it: its bytes in the narrow encoding (UTF-8),
// at most 10 of them.
constexpr size_t kMaxMachineKeyBytes = 10;
std::string MachineKeyBytes(const std::u16string& key);
// The 5-word key table: the key's bytes, then i + 1 in each byte i from the key's
// length to 9, read as words low byte first.
std::array<uint16_t, 5> MachineKeyTable(const std::string& keyBytes);
// Each word becomes (table[j] + word) xor table[(j + 1) mod 5], j being the
// previous encoded word (table[0] for the first) mod 5.
std::vector<uint16_t> EncodeProgram(const uint16_t* words, int count,
                                    const std::array<uint16_t, 5>& table);

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
    // Parameter values by register address (status operations): `count`
    // registers read, or one 32-bit value written low word first.
    bool ReadParaValues(uint16_t address, uint16_t count, uint16_t* out);
    bool WriteParaValue(uint16_t address, uint32_t value);

    // Section contents (throwing, but UploadSection, a status operation).
    void DownloadDVContent(int count, const uint16_t* words);
    void DownloadAutoDVContent(int count, const uint16_t* words, int start);
    void DownloadDHContent(int count, const uint16_t* words);
    void DownloadMHContent(const uint16_t* words);  // always 128 words
    // Sent as they are when the key is empty or "7350", else encoded by the key.
    void DownloadProgramContent(int count, const uint16_t* words, std::u16string key);
    bool UploadSection(int area, int count, uint16_t* out);

    // Parameter-group discovery (throwing).
    bool ReadParaGroupNum(int* ordinary, int* extra, int* flag);
    int16_t GetParaGoupCap(int group);
    bool ReadParaCfg(int group, int item, uint16_t* record);

    // The clock WaitP5_02Ready measures and sleeps with; the real one unless a
    // test gives its own.
    void SetClock(ITickClock* clock) { m_pClock = clock ? clock : &SystemTickClock::Instance(); }
    ITickClock& Clock() { return *m_pClock; }

    // A request, from any thread, that a write to the drive stop at its next
    // point where the drive is in a defined state (between parameter writes,
    // between sections). It stays until cleared.
    void RequestStop() { m_bStopRequested.store(true, std::memory_order_release); }
    bool StopRequested() const { return m_bStopRequested.load(std::memory_order_acquire); }
    void ClearStop() { m_bStopRequested.store(false, std::memory_order_release); }

    IModbusMaster* m_pLink = nullptr;   // non-owning
    IDeviceInst* m_pDevInst = nullptr;  // non-owning
    std::u16string m_strLastError;
    LinkFault m_LastFault;  // the kind of the failure m_strLastError tells of

private:
    uint8_t Station();
    // The link call's result; on false the link's message is kept.
    bool Check(bool linkResult);
    [[noreturn]] static void Raise(const char* message);
    int16_t ReadWord(uint16_t address, const char* failure);
    void WriteWord(uint16_t address, uint16_t value, const char* failure);

    ITickClock* m_pClock = &SystemTickClock::Instance();
    std::atomic<bool> m_bStopRequested{false};
};

}  // namespace tarn
