#include "platform/serial/port_registry.h"

#include "platform/serial/port_names.h"

namespace tarn {

void PortRegistry::Assign(int portNumber, const std::string& devicePath) {
    std::lock_guard lock(m_mutex);
    m_paths[portNumber] = devicePath;
}

void PortRegistry::Remove(int portNumber) {
    std::lock_guard lock(m_mutex);
    m_paths.erase(portNumber);
}

void PortRegistry::Clear() {
    std::lock_guard lock(m_mutex);
    m_paths.clear();
}

std::optional<std::string> PortRegistry::PathOf(int portNumber) const {
    std::lock_guard lock(m_mutex);
    auto it = m_paths.find(portNumber);
    if (it == m_paths.end()) return SystemPortPath(portNumber);
    return it->second;
}

std::optional<int> PortRegistry::NumberOf(const std::string& devicePath) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [number, path] : m_paths)
        if (path == devicePath) return number;
    return std::nullopt;
}

}  // namespace tarn
