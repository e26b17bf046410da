#pragma once
// A drive on a pseudo-terminal. It reads plain RTU requests, checks their CRC,
// answers its own station (and 255, the station every drive answers) with the
// reply wrapped in a type-0 link packet, and can misbehave on purpose.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial/wake_event.h"
#include "sim/drive_model.h"
#include "sim/pty.h"
#include "sim/rtu_frames.h"

namespace tarn::sim {

// Each fault applies to the next N replies (-1: to every reply; 0: off).
struct Faults {
    int dropReplies = 0;      // no answer at all
    int corruptCrc = 0;       // the RTU frame's CRC is wrong
    int corruptChecks = 0;    // the packet's X byte is wrong
    int lateReplies = 0;      // answer after lateByMs
    uint32_t lateByMs = 0;
    int foreignPackets = 0;   // a packet of another type goes first
    int noisyReplies = 0;     // `noise` goes first
    Bytes noise{};
    int splitReplies = 0;     // the packet goes in `splitPieces` pieces
    int splitPieces = 3;
    uint32_t splitPauseMs = 2;
    // ASCII framing (corruptCrc then spoils the LRC instead).
    int lowercaseLrc = 0;     // the LRC's hex digits in lower case
    int missingColon = 0;     // the reply line lacks its colon
    int shortReplies = 0;     // only the first half of the reply line goes out
    // Block writes (0xF5) acknowledged as stored while nothing is stored.
    int lostBlockWrites = 0;
};

// Faults by chance rather than by count: every reply draws, in this order, a
// number for each kind from a generator seeded with `seed`, and gets the fault
// with the given percentage. Noise is then 1 to 6 random bytes unless
// Faults::noise names them; late replies are late by Faults::lateByMs.
struct FaultRates {
    double noise = 0, corruptCrc = 0, corruptChecks = 0, drop = 0, late = 0, split = 0, foreign = 0;
    uint32_t seed = 1;
};

// Line pacing: with a baud rate set, request and reply take their time on the
// wire (11 bits a byte, as at 8N2) and the drive waits turnaroundUs in between.
struct Pacing {
    uint32_t baud = 0;  // 0: no pacing
    uint32_t turnaroundUs = 0;
};

struct LoggedRequest {
    Bytes frame;       // the whole request with its CRC (computed, in ASCII framing)
    std::string text;  // in ASCII framing: the request line as it came
    uint8_t Station() const { return frame[0]; }
    uint8_t Function() const { return frame[1]; }
};

class VirtualDrive {
public:
    explicit VirtualDrive(uint8_t station = 1,
                          std::shared_ptr<DriveModel> model = std::make_shared<DriveModel>());
    ~VirtualDrive();
    VirtualDrive(const VirtualDrive&) = delete;
    VirtualDrive& operator=(const VirtualDrive&) = delete;

    // The device path the tool opens.
    const std::string& Path() const { return m_pty.SlavePath(); }
    DriveModel& Model() { return *m_model; }

    void SetStation(uint8_t station) { m_station = station; }
    // Modbus ASCII instead of RTU: ":"-framed request lines with an LRC,
    // answered in the same framing (no link packet around them).
    void SetAsciiFraming(bool ascii) { m_ascii = ascii; }
    // Plain Modbus RTU replies, without the drive's link packet around them:
    // a drive as a generic Modbus master expects one (for comparisons).
    void SetPlainRtuReplies(bool plain) { m_plainRtu = plain; }
    void SetFaults(const Faults& faults);
    void SetFaultRates(const FaultRates& rates);
    // How many replies got each kind of fault so far, by count or by chance.
    struct FaultCounts {
        int noise = 0, corruptCrc = 0, corruptChecks = 0, drop = 0, late = 0, split = 0, foreign = 0;
    };
    FaultCounts FaultsInjected() const;
    void SetPacing(const Pacing& pacing);
    // Replaces what goes on the line for a request: return the raw bytes to
    // send (already wrapped, or not at all), or nullopt for the normal reply.
    using ReplyHook =
        std::function<std::optional<Bytes>(const LoggedRequest&, const Bytes& normalReply)>;
    void SetReplyHook(ReplyHook hook);
    // Puts bytes on the line now, outside any exchange.
    void SendRaw(const Bytes& bytes);

    // The drive answers `requests` more requests and vanishes when the next one
    // comes, so that a transfer can be cut at any point (-1: never). It goes
    // for good, as when it is switched off or its bridge is pulled: its end of
    // the pseudo-terminal closes, the tool's end hangs up and the device path
    // goes away.
    void VanishAfter(int requests);
    bool Vanished() const { return m_vanished; }
    // Runs on the drive's thread once it has vanished.
    void OnVanish(std::function<void()> handler);

    // Mean time by which paced replies went out after their wire-time target
    // (negative: before it), in nanoseconds, over all paced replies so far.
    int64_t MeanPacingError() const;

    std::vector<LoggedRequest> Requests() const;
    void ClearRequests();
    // Waits until at least `count` requests have come; false on time-out.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;

private:
    void Serve();
    void Handle(const Bytes& request, std::chrono::steady_clock::time_point arrived,
                const std::string& asciiText);
    void TakeAsciiRequests(Bytes& buffer, std::chrono::steady_clock::time_point& firstByte);
    static Bytes AsciiLine(const Bytes& reply, const Faults& faults);
    static bool Take(int& counter);
    // True when the request just taken off the line is the one to vanish at.
    bool VanishesNow();
    // Closes the line and calls the handler; on the drive's thread only.
    void GoOffLine();
    void WriteAll(const uint8_t* data, size_t size);
    void SleepUntil(std::chrono::steady_clock::time_point when);
    // Sleeps until a paced reply's target, aiming early by the timer's recent
    // lateness so that replies go out on time on average.
    void SleepUntilPaced(std::chrono::steady_clock::time_point target);

    PseudoTerminal m_pty;
    std::shared_ptr<DriveModel> m_model;
    std::atomic<uint8_t> m_station;
    std::atomic<bool> m_ascii{false};
    std::atomic<bool> m_plainRtu{false};
    WakeEvent m_stop;
    std::atomic<bool> m_stopping{false};

    mutable std::mutex m_mutex;  // faults, pacing, hook, log, vanishing
    mutable std::condition_variable m_logged;
    Faults m_faults;
    FaultRates m_rates;
    std::mt19937 m_chance{1};
    FaultCounts m_injected;
    Pacing m_pacing;
    ReplyHook m_hook;
    std::vector<LoggedRequest> m_log;
    int m_vanishAfter = -1;
    std::function<void()> m_onVanish;
    std::mutex m_writeMutex;  // also guards closing the line
    std::atomic<bool> m_vanished{false};

    std::chrono::nanoseconds m_timerLateness{0};  // serve thread only
    std::atomic<int64_t> m_pacingErrorSum{0};
    std::atomic<int64_t> m_pacedReplies{0};

    std::thread m_thread;
};

}  // namespace tarn::sim
