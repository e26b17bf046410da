#pragma once
// What the virtual drive holds and how it answers each function: a register
// store, 16-word configuration records and numbered memory areas. Drives with
// behaviour of their own (identity, access codes, section registers, parameter
// definitions, burning) derive from it and override the functions they shape.
// Every operation returns 0, or the exception code the drive answers with.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace tarn::sim {

constexpr uint8_t kExcIllegalFunction = 0x01;
constexpr uint8_t kExcIllegalAddress = 0x02;
constexpr uint8_t kExcIllegalValue = 0x03;
constexpr uint8_t kExcWriteProtected = 0x28;

using ConfigRecord = std::array<uint16_t, 16>;

class DriveModel {
public:
    virtual ~DriveModel() = default;

    virtual uint8_t ReadRegisters(uint16_t address, uint16_t count, uint16_t* out);
    virtual uint8_t WriteRegister(uint16_t address, uint16_t value);
    virtual uint8_t WriteRegisters(uint16_t address, uint16_t count, const uint16_t* values);
    // Function 0x67: three words from `address` on.
    virtual uint8_t ReadTriple(uint16_t address, uint16_t out[3]);
    // Function 0xF0: the 16-word record at `address`.
    virtual uint8_t ReadConfig(uint16_t address, ConfigRecord& out);
    // Function 0xF5 / 0xF6: words into or out of a memory area.
    virtual uint8_t DownloadBlock(uint8_t area, uint16_t address, const uint16_t* words,
                                  uint16_t count);
    virtual uint8_t UploadBlock(uint8_t area, uint16_t address, uint8_t count, uint16_t* out);

    // Direct access for set-up and checks; safe from any thread.
    void SetRegister(uint16_t address, uint16_t value);
    uint16_t Register(uint16_t address) const;
    // A write to a protected register is refused with code 0x28.
    void ProtectRegister(uint16_t address);
    void UnprotectRegister(uint16_t address);
    void SetConfig(uint16_t address, const ConfigRecord& record);
    void SetArea(uint8_t area, std::vector<uint16_t> words);
    std::vector<uint16_t> Area(uint8_t area) const;
    // Every register that holds a value.
    std::map<uint16_t, uint16_t> Registers() const;

protected:
    mutable std::recursive_mutex m_mutex;
    std::map<uint16_t, uint16_t> m_registers;  // absent registers read as 0
    std::set<uint16_t> m_protected;
    std::map<uint16_t, ConfigRecord> m_configs;
    std::map<uint8_t, std::vector<uint16_t>> m_areas;  // grown by downloads
};

}  // namespace tarn::sim
