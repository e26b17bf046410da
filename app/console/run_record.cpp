#include "app/console/run_record.h"

#include <cmath>
#include <stdexcept>

namespace tarn::console {

RunRecord::Stream::Stream(std::FILE* echo, const RunRecord& owner) : m_echo(echo), m_owner(owner) {
    cookie_io_functions_t functions{};
    functions.write = &Stream::Write;
    m_file = fopencookie(this, "w", functions);
    if (!m_file) throw std::runtime_error("no stream for the run's record");
    std::setvbuf(m_file, nullptr, _IOLBF, 0);
}

RunRecord::Stream::~Stream() {
    std::fclose(m_file);
}

ssize_t RunRecord::Stream::Write(void* cookie, const char* data, size_t size) {
    auto* self = static_cast<Stream*>(cookie);
    if (self->m_echo) {
        std::fwrite(data, 1, size, self->m_echo);
        std::fflush(self->m_echo);
    }
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') {
            self->m_partial += data[i];
            continue;
        }
        self->m_lines.emplace_back(self->m_owner.Seconds(), std::move(self->m_partial));
        self->m_partial.clear();
    }
    return static_cast<ssize_t>(size);
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
