#pragma once
// A drive that behaves as the servo drive does: its identity, versions and
// station in their registers, servo state per axis, the access codes of P2-08,
// the run step of P5-01 and the ready bit of P5-02, the section-size registers,
// and its parameter groups with their definition records.
#include <chrono>
#include <map>
#include <optional>
#include <vector>

#include "sim/drive_description.h"
#include "sim/drive_model.h"

namespace tarn::sim {

class ServoDrive : public DriveModel {
public:
    explicit ServoDrive(const DriveDescription& description);

    uint8_t ReadRegisters(uint16_t address, uint16_t count, uint16_t* out) override;
    uint8_t WriteRegisters(uint16_t address, uint16_t count, const uint16_t* values) override;
    uint8_t ReadTriple(uint16_t address, uint16_t out[3]) override;
    uint8_t DownloadBlock(uint8_t area, uint16_t address, const uint16_t* words,
                          uint16_t count) override;

    const DriveDescription& Description() const { return m_description; }
    // The codes written to P2-08 and the values written to P5-01, in order.
    std::vector<uint16_t> AccessCodes() const;
    std::vector<uint16_t> CommandWrites() const;
    void SetServoOn(int axis, bool on);
    void HoldReadyLow(bool hold);
    // A write to the register is taken and answered as stored, but the
    // register then holds `stored` (a drive that corrects or loses a value).
    void MisstoreRegister(uint16_t address, uint16_t stored);

private:
    using Clock = std::chrono::steady_clock;
    uint16_t StatusWord();
    uint16_t GroupCapacity(int16_t group) const;

    DriveDescription m_description;
    std::vector<uint16_t> m_accessCodes;
    std::vector<uint16_t> m_commandWrites;
    bool m_downloadSinceRun = false;
    bool m_ready;
    std::optional<Clock::time_point> m_readyAt;
    std::map<uint16_t, uint16_t> m_misstored;
};

}  // namespace tarn::sim
