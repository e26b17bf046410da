#pragma once
// What one run of a drive command did, for its result document (--json, and
// the table at the end of a clone): every log line and message with the time
// it came, and when the connect ended. The command writes its log and its
// messages to Log() and Messages(), which also pass them on as they come.
#include <chrono>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace tarn::console {

class RunRecord {
public:
    // `logEcho` and `messageEcho`: where the lines also go (null: nowhere).
    RunRecord(std::FILE* logEcho, std::FILE* messageEcho);
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    std::FILE* Log() { return m_log.File(); }
    std::FILE* Messages() { return m_messages.File(); }
    void Connected() { m_connected = Seconds(); }

    // {"port", "station", "result", "seconds", "connectSeconds",
    //  "lastLine": "Finished!",                         (the log's last line)
    //  "stages": [{"stage": "Writing \"DH\"...", "start": 1.25, "seconds": 0.4}, ...],
    //                                                    (one per step line of the log)
    //  "messages": [...]}                                (stderr, line by line)
    // Times in seconds from the start of the run.
    nlohmann::ordered_json PortEntry(const std::string& port, const nlohmann::ordered_json& station,
                                     const std::string& result) const;
    double Seconds() const;

private:
    using Clock = std::chrono::steady_clock;
    using Lines = std::vector<std::pair<double, std::string>>;

    // A stdio stream that cuts what is written into lines with their times.
    // How the stream reaches Take() is the system's (run_record_stream_*.cpp).
    class Stream {
    public:
        Stream(std::FILE* echo, const RunRecord& owner);
        ~Stream();
        Stream(const Stream&) = delete;
        Stream& operator=(const Stream&) = delete;
        std::FILE* File() { return m_file; }
        // Every line written so far, once the stream has passed it on.
        const Lines& Taken() const;
        void Take(const char* data, size_t size);

    private:
        struct Channel;
        std::FILE* m_echo;
        const RunRecord& m_owner;
        std::FILE* m_file = nullptr;
        std::unique_ptr<Channel> m_channel;
        std::string m_partial;
        Lines m_lines;
    };

    Clock::time_point m_start = Clock::now();
    double m_connected = 0;
    Stream m_log;
    Stream m_messages;
};

}  // namespace tarn::console
