#include "app/console/run_record.h"

#include <cmath>

namespace tarn::console {

void RunRecord::Stream::Take(const char* data, size_t size) {
    if (m_echo) {
        std::fwrite(data, 1, size, m_echo);
        std::fflush(m_echo);
    }
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') {
            m_partial += data[i];
            continue;
        }
        m_lines.emplace_back(m_owner.Seconds(), std::move(m_partial));
        m_partial.clear();
    }
}

RunRecord::RunRecord(std::FILE* logEcho, std::FILE* messageEcho)
    : m_log(logEcho, *this), m_messages(messageEcho, *this) {}

double RunRecord::Seconds() const {
    return std::chrono::duration<double>(Clock::now() - m_start).count();
}

nlohmann::ordered_json RunRecord::PortEntry(const std::string& port,
                                            const nlohmann::ordered_json& station,
                                            const std::string& result) const {
    // Seconds to the millisecond: finer is noise.
    auto ms = [](double seconds) { return std::round(seconds * 1000) / 1000; };
    const double end = Seconds();
    // A stage begins with each of the dialogs' step lines ("Writing \"DH\"...",
    // "Burning and verifying...") and lasts until the next one, the last one
    // until the log's last line.
    const Lines& log = m_log.Taken();
    std::vector<size_t> steps;
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].second.ends_with("...")) steps.push_back(i);
    nlohmann::ordered_json stages = nlohmann::ordered_json::array();
    for (size_t s = 0; s < steps.size(); ++s) {
        const auto& [start, line] = log[steps[s]];
        const double next = s + 1 < steps.size() ? log[steps[s + 1]].first : log.back().first;
        stages.push_back({{"stage", line}, {"start", ms(start)}, {"seconds", ms(next - start)}});
    }
    nlohmann::ordered_json messages = nlohmann::ordered_json::array();
    for (const auto& [at, line] : m_messages.Taken()) messages.push_back(line);
    return {{"port", port},
            {"station", station},
            {"result", result},
            {"seconds", ms(end)},
            {"connectSeconds", ms(m_connected)},
            {"lastLine",
             log.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(log.back().second)},
            {"stages", stages},
            {"messages", messages}};
}

}  // namespace tarn::console
