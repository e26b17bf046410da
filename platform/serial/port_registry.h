#pragma once
// Port numbers and the device paths they stand for. The drive link opens ports
// by number; the port enumeration assigns numbers to the machine's serial
// devices, and tests or users may assign a pseudo-terminal or a path of their own.
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace tarn {

class PortRegistry {
public:
    void Assign(int portNumber, const std::string& devicePath);
    void Remove(int portNumber);
    void Clear();
    std::optional<std::string> PathOf(int portNumber) const;
    std::optional<int> NumberOf(const std::string& devicePath) const;

private:
    mutable std::mutex m_mutex;
    std::map<int, std::string> m_paths;
};

}  // namespace tarn
