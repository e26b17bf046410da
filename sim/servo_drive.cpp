#include "sim/servo_drive.h"

#include "device/drive_registers.h"

namespace tarn::sim {

ServoDrive::ServoDrive(const DriveDescription& description)
    : m_description(description), m_ready(description.ready) {
    std::lock_guard lock(m_mutex);
    m_registers = description.registers;
    for (const ParameterGroup& group : description.groups) {
        for (size_t item = 0; item < group.items.size(); ++item) {
            const auto& values = group.items[item].values;
            for (size_t axis = 0; axis < values.size() && axis < 3; ++axis) {
                const uint16_t at = reg::ParamAddress(group.number, static_cast<int>(item),
                                                      static_cast<int>(axis));
                m_registers[at] = static_cast<uint16_t>(values[axis] & 0xFFFF);
                m_registers[static_cast<uint16_t>(at + 1)] =
                    static_cast<uint16_t>((values[axis] >> 16) & 0xFFFF);
            }
            m_configs[static_cast<uint16_t>(group.number * 0x100 + static_cast<int>(item))] =
                group.items[item].record;
        }
    }
    for (const auto& [name, words] : description.contents) m_areas[ContentArea(name)] = words;
    for (const auto& [name, size] : description.sections)
        m_registers[SectionRegister(name)] = static_cast<uint16_t>(size);
    m_registers[reg::kMainVersion] = static_cast<uint16_t>(description.mainVersion);
    m_registers[reg::kSubVersion] = static_cast<uint16_t>(description.subVersion & 0xFFFF);
    m_registers[reg::kSubVersion + 1] = static_cast<uint16_t>((description.subVersion >> 16) & 0xFFFF);
    m_registers[reg::kStation] = description.station;
    for (int axis = 0; axis < 3; ++axis) {
        const bool on = axis < static_cast<int>(description.servoOn.size()) && description.servoOn[axis];
        m_registers[static_cast<uint16_t>(axis * 0x2000 + reg::kServoState)] = on ? 0x0002 : 0;
    }
    // The group counts: ordinary groups in the low byte, further groups in the high byte.
    int ordinary = 0, further = 0;
    for (const ParameterGroup& group : description.groups) (group.number >= 0 ? ordinary : further)++;
    m_registers[reg::kGroupNumbers] = static_cast<uint16_t>((further & 0xFF) << 8 | (ordinary & 0xFF));
}

uint16_t ServoDrive::GroupCapacity(int16_t group) const {
    for (const ParameterGroup& g : m_description.groups)
        if (g.number == group) return static_cast<uint16_t>(g.items.size());
    return 0;
}

uint16_t ServoDrive::StatusWord() {
    uint16_t status = m_registers.count(reg::kStatus) ? m_registers[reg::kStatus] : 0;
    status &= static_cast<uint16_t>(~reg::kStatusReady);
    if (m_readyAt && Clock::now() >= *m_readyAt) {
        m_ready = true;
        m_readyAt.reset();
    }
    if (m_ready && !m_description.holdReadyLow) status |= reg::kStatusReady;
    return status;
}

uint8_t ServoDrive::ReadRegisters(uint16_t address, uint16_t count, uint16_t* out) {
    std::lock_guard lock(m_mutex);
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t at = static_cast<uint16_t>(address + i);
        if (at == reg::kStatus) {
            out[i] = StatusWord();
        } else if (at == reg::kGroupCapacity) {
            out[i] = GroupCapacity(static_cast<int16_t>(m_registers[reg::kGroupSelect]));
        } else if (at == reg::kExtension) {
            // Readable only right after access code 58.
            if (m_accessCodes.empty() || m_accessCodes.back() != reg::kCodeExtension)
                return kExcIllegalAddress;
            out[i] = m_description.extension;
        } else {
            auto it = m_registers.find(at);
            out[i] = it == m_registers.end() ? 0 : it->second;
        }
    }
    return 0;
}

uint8_t ServoDrive::WriteRegisters(uint16_t address, uint16_t count, const uint16_t* values) {
    std::lock_guard lock(m_mutex);
    const uint8_t refused = DriveModel::WriteRegisters(address, count, values);
    if (refused) return refused;
    for (uint16_t i = 0; i < count; ++i) {
        const uint16_t at = static_cast<uint16_t>(address + i);
        if (auto wrong = m_misstored.find(at); wrong != m_misstored.end()) m_registers[at] = wrong->second;
        if (at == reg::kSpecialFunction) {
            m_accessCodes.push_back(values[i]);
        } else if (at == reg::kCommand) {
            m_commandWrites.push_back(values[i]);
            // The run step after a download: the drive burns and reports ready later.
            const bool unlocked = !m_accessCodes.empty() && m_accessCodes.back() == reg::kCodeRun;
            if (values[i] == reg::kRunStep && unlocked && m_downloadSinceRun) {
                m_downloadSinceRun = false;
                m_readyAt = Clock::now() + std::chrono::milliseconds(m_description.readyDelayMs);
            }
        }
    }
    return 0;
}

uint8_t ServoDrive::ReadTriple(uint16_t address, uint16_t out[3]) {
    if (address != 0x0012) return DriveModel::ReadTriple(address, out);
    for (int i = 0; i < 3; ++i) out[i] = m_description.identity[i];
    return 0;
}

uint8_t ServoDrive::DownloadBlock(uint8_t area, uint16_t address, const uint16_t* words,
                                  uint16_t count) {
    std::lock_guard lock(m_mutex);
    m_downloadSinceRun = true;
    m_ready = false;
    m_readyAt.reset();
    return DriveModel::DownloadBlock(area, address, words, count);
}

void ServoDrive::MisstoreRegister(uint16_t address, uint16_t stored) {
    std::lock_guard lock(m_mutex);
    m_misstored[address] = stored;
}

std::vector<uint16_t> ServoDrive::AccessCodes() const {
    std::lock_guard lock(m_mutex);
    return m_accessCodes;
}

std::vector<uint16_t> ServoDrive::CommandWrites() const {
    std::lock_guard lock(m_mutex);
    return m_commandWrites;
}

void ServoDrive::SetServoOn(int axis, bool on) {
    SetRegister(static_cast<uint16_t>(axis * 0x2000 + reg::kServoState), on ? 0x0002 : 0);
}

void ServoDrive::HoldReadyLow(bool hold) {
    std::lock_guard lock(m_mutex);
    m_description.holdReadyLow = hold;
}

}  // namespace tarn::sim
