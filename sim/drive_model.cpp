#include "sim/drive_model.h"

namespace tarn::sim {

uint8_t DriveModel::ReadRegisters(uint16_t address, uint16_t count, uint16_t* out) {
    std::lock_guard lock(m_mutex);
    for (uint16_t i = 0; i < count; ++i) {
        auto it = m_registers.find(static_cast<uint16_t>(address + i));
        out[i] = it == m_registers.end() ? 0 : it->second;
    }
    return 0;
}

uint8_t DriveModel::WriteRegister(uint16_t address, uint16_t value) {
    return WriteRegisters(address, 1, &value);
}

uint8_t DriveModel::WriteRegisters(uint16_t address, uint16_t count, const uint16_t* values) {
    std::lock_guard lock(m_mutex);
    for (uint16_t i = 0; i < count; ++i)
        if (m_protected.count(static_cast<uint16_t>(address + i))) return kExcWriteProtected;
    for (uint16_t i = 0; i < count; ++i) m_registers[static_cast<uint16_t>(address + i)] = values[i];
    return 0;
}

uint8_t DriveModel::ReadTriple(uint16_t address, uint16_t out[3]) {
    return ReadRegisters(address, 3, out);
}

uint8_t DriveModel::ReadConfig(uint16_t address, ConfigRecord& out) {
    std::lock_guard lock(m_mutex);
    auto it = m_configs.find(address);
    out = it == m_configs.end() ? ConfigRecord{} : it->second;
    return 0;
}

uint8_t DriveModel::DownloadBlock(uint8_t area, uint16_t address, const uint16_t* words,
                                  uint16_t count) {
    std::lock_guard lock(m_mutex);
    auto& memory = m_areas[area];
    if (memory.size() < size_t{address} + count) memory.resize(size_t{address} + count, 0);
    for (uint16_t i = 0; i < count; ++i) memory[address + i] = words[i];
    return 0;
}

uint8_t DriveModel::UploadBlock(uint8_t area, uint16_t address, uint8_t count, uint16_t* out) {
    std::lock_guard lock(m_mutex);
    const auto it = m_areas.find(area);
    for (uint16_t i = 0; i < count; ++i) {
        const size_t at = size_t{address} + i;
        out[i] = (it != m_areas.end() && at < it->second.size()) ? it->second[at] : 0;
    }
    return 0;
}

void DriveModel::SetRegister(uint16_t address, uint16_t value) {
    std::lock_guard lock(m_mutex);
    m_registers[address] = value;
}

std::map<uint16_t, uint16_t> DriveModel::Registers() const {
    std::lock_guard lock(m_mutex);
    return m_registers;
}

uint16_t DriveModel::Register(uint16_t address) const {
    std::lock_guard lock(m_mutex);
    auto it = m_registers.find(address);
    return it == m_registers.end() ? 0 : it->second;
}

void DriveModel::ProtectRegister(uint16_t address) {
    std::lock_guard lock(m_mutex);
    m_protected.insert(address);
}

void DriveModel::UnprotectRegister(uint16_t address) {
    std::lock_guard lock(m_mutex);
    m_protected.erase(address);
}

void DriveModel::SetConfig(uint16_t address, const ConfigRecord& record) {
    std::lock_guard lock(m_mutex);
    m_configs[address] = record;
}

void DriveModel::SetArea(uint8_t area, std::vector<uint16_t> words) {
    std::lock_guard lock(m_mutex);
    m_areas[area] = std::move(words);
}

std::vector<uint16_t> DriveModel::Area(uint8_t area) const {
    std::lock_guard lock(m_mutex);
    auto it = m_areas.find(area);
    return it == m_areas.end() ? std::vector<uint16_t>{} : it->second;
}

}  // namespace tarn::sim
