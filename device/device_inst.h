#pragma once
// The device instance: carries the station number every request goes to.
#include <cstdint>
#include <string>

namespace tarn {

struct IDeviceInst {
    virtual uint8_t GetStation() = 0;
    virtual uint8_t SetStation(uint8_t station) = 0;
    virtual uint32_t GetNumber() = 0;
    virtual uint32_t SetNumber(uint32_t value) = 0;
    virtual std::u16string GetName() = 0;
    virtual void SetName(std::u16string name) = 0;
    virtual uint8_t GetFlag1() = 0;
    virtual uint8_t SetFlag1(uint8_t value) = 0;
    virtual uint8_t GetFlag2() = 0;
    virtual uint8_t SetFlag2(uint8_t value) = 0;
    virtual ~IDeviceInst() = default;
};

class IDeviceInstImpl : public IDeviceInst {
public:
    uint8_t GetStation() override { return m_byStation; }
    uint8_t SetStation(uint8_t station) override { return m_byStation = station; }
    uint32_t GetNumber() override { return m_nNumber; }
    uint32_t SetNumber(uint32_t value) override { return m_nNumber = value; }
    // The instance has no name: whatever is given is dropped.
    std::u16string GetName() override { return {}; }
    void SetName(std::u16string) override {}
    uint8_t GetFlag1() override { return m_bFlag1; }
    uint8_t SetFlag1(uint8_t value) override { return m_bFlag1 = value; }
    uint8_t GetFlag2() override { return m_bFlag2; }
    uint8_t SetFlag2(uint8_t value) override { return m_bFlag2 = value; }

    // The main dialog sets the station before the first operation; until then
    // the instance addresses station 0 (value-initialised rather than garbage).
    uint8_t m_byStation = 0;
    uint8_t m_bFlag1 = 0;
    uint8_t m_bFlag2 = 0;
    uint32_t m_nNumber = 0;
};

}  // namespace tarn
