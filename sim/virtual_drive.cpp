#include "sim/virtual_drive.h"

#include <poll.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "link/crc16.h"
#include "link/link_packet.h"
#include "sim/ascii_frames.h"

namespace tarn::sim {

namespace {

using Clock = std::chrono::steady_clock;
// A request that stays incomplete this long is dropped, as a drive drops a
// frame cut short by line silence.
constexpr int kFrameGapMs = 50;

}  // namespace

VirtualDrive::VirtualDrive(uint8_t station, std::shared_ptr<DriveModel> model)
    : m_model(std::move(model)), m_station(station) {
    m_thread = std::thread([this] { Serve(); });
}

VirtualDrive::~VirtualDrive() {
    m_stopping = true;
    m_stop.Signal();
    m_thread.join();
}

void VirtualDrive::SetFaults(const Faults& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

void VirtualDrive::SetFaultRates(const FaultRates& rates) {
    std::lock_guard lock(m_mutex);
    m_rates = rates;
    m_chance.seed(rates.seed);
}

VirtualDrive::FaultCounts VirtualDrive::FaultsInjected() const {
    std::lock_guard lock(m_mutex);
    return m_injected;
}

void VirtualDrive::SetPacing(const Pacing& pacing) {
    std::lock_guard lock(m_mutex);
    m_pacing = pacing;
}

void VirtualDrive::SetReplyHook(ReplyHook hook) {
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void VirtualDrive::SendRaw(const Bytes& bytes) { WriteAll(bytes.data(), bytes.size()); }

void VirtualDrive::GoOffLine() {
    {
        std::lock_guard lock(m_writeMutex);
        m_pty.Close();
    }
    std::function<void()> handler;
    {
        std::lock_guard lock(m_mutex);
        m_vanished = true;
        handler = m_onVanish;
    }
    if (handler) handler();
}

void VirtualDrive::VanishAfter(int requests) {
    std::lock_guard lock(m_mutex);
    m_vanishAfter = requests;
}

void VirtualDrive::OnVanish(std::function<void()> handler) {
    std::lock_guard lock(m_mutex);
    m_onVanish = std::move(handler);
}

bool VirtualDrive::VanishesNow() {
    std::lock_guard lock(m_mutex);
    if (m_vanishAfter < 0) return false;
    return m_vanishAfter-- == 0;
}

std::vector<LoggedRequest> VirtualDrive::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void VirtualDrive::ClearRequests() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

bool VirtualDrive::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_logged.wait_for(lock, timeout, [&] { return m_log.size() >= count; });
}

bool VirtualDrive::Take(int& counter) {
    if (counter == 0) return false;
    if (counter > 0) --counter;
    return true;
}

void VirtualDrive::WriteAll(const uint8_t* data, size_t size) {
    std::lock_guard lock(m_writeMutex);
    if (m_pty.MasterFd() < 0) return;  // off the line
    while (size > 0) {
        ssize_t n = ::write(m_pty.MasterFd(), data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{m_pty.MasterFd(), POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return;  // nobody listens: the bytes are lost, as on an open line
        }
    }
}

void VirtualDrive::SleepUntil(Clock::time_point when) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch());
    timespec ts{static_cast<time_t>(ns.count() / 1000000000), static_cast<long>(ns.count() % 1000000000)};
    // steady_clock is CLOCK_MONOTONIC on Linux.
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void VirtualDrive::SleepUntilPaced(Clock::time_point target) {
    constexpr auto kMaxLead = std::chrono::microseconds(200);
    SleepUntil(target - std::min(m_timerLateness, std::chrono::nanoseconds(kMaxLead)));
    const auto error = Clock::now() - target;
    // Follow the timer's lateness with a moving average (1/8 of each new sample).
    m_timerLateness += (error + std::min(m_timerLateness, std::chrono::nanoseconds(kMaxLead)) -
                        m_timerLateness) / 8;
    if (m_timerLateness < std::chrono::nanoseconds(0)) m_timerLateness = {};
    m_pacingErrorSum += std::chrono::duration_cast<std::chrono::nanoseconds>(error).count();
    ++m_pacedReplies;
}

int64_t VirtualDrive::MeanPacingError() const {
    const int64_t n = m_pacedReplies;
    return n ? m_pacingErrorSum / n : 0;
}

Bytes VirtualDrive::AsciiLine(const Bytes& reply, const Faults& faults) {
    std::string text = AsciiReplyText(reply);
    const size_t lrc = text.size() - 4;
    if (faults.corruptCrc) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", (std::stoi(text.substr(lrc, 2), nullptr, 16) + 1) & 0xFF);
        text.replace(lrc, 2, hex);
    }
    if (faults.lowercaseLrc)
        for (size_t i = lrc; i < lrc + 2; ++i) text[i] = static_cast<char>(std::tolower(text[i]));
    if (faults.missingColon) text.erase(0, 1);
    if (faults.shortReplies) text.resize(text.size() / 2);
    if (faults.noisyReplies) text.insert(0, std::string(faults.noise.begin(), faults.noise.end()));
    return Bytes(text.begin(), text.end());
}

void VirtualDrive::Serve() {
    // Paced replies are timed to the microsecond; the default timer slack of
    // 50 us would blur that.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    Bytes buffer;
    Clock::time_point firstByte{};
    uint8_t chunk[512];
    while (!m_stopping && !m_vanished) {
        pollfd pfds[3] = {{m_pty.MasterFd(), POLLIN, 0}, {m_stop.Fd(), POLLIN, 0}, {m_pty.ClientClosedFd(), POLLIN, 0}};
        int r = ::poll(pfds, 3, buffer.empty() ? -1 : kFrameGapMs);
        if (r < 0) continue;
        if (r == 0) {
            buffer.clear();  // an incomplete frame followed by silence
            continue;
        }
        if (pfds[1].revents) continue;
        if (pfds[2].revents) m_pty.ReleaseDeadClient();
        if (pfds[0].revents & POLLIN) {
            ssize_t n = ::read(m_pty.MasterFd(), chunk, sizeof chunk);
            if (n <= 0) continue;
            if (buffer.empty()) firstByte = Clock::now();
            buffer.insert(buffer.end(), chunk, chunk + n);
        } else if (pfds[0].revents) {
            // Hang-up cannot happen while the slave is held open; wait it out anyway.
            ::poll(nullptr, 0, 10);
            continue;
        }
        if (m_ascii) {
            TakeAsciiRequests(buffer, firstByte);
            continue;
        }
        // Take every complete request off the front; skip bytes that cannot
        // start one (unknown function, bad CRC).
        for (;;) {
            size_t length = 0;
            FrameStatus status = FindRequest(buffer, length);
            if (status == FrameStatus::Incomplete) break;
            if (status == FrameStatus::UnknownFunction || !CrcMatches(buffer.data(), length - 2)) {
                buffer.erase(buffer.begin());
                continue;
            }
            Bytes request(buffer.begin(), buffer.begin() + static_cast<long>(length));
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<long>(length));
            if (VanishesNow()) return GoOffLine();
            Handle(request, firstByte, {});
            firstByte = Clock::now();
        }
    }
}

void VirtualDrive::TakeAsciiRequests(Bytes& buffer, Clock::time_point& firstByte) {
    for (;;) {
        size_t consumed = 0;
        Bytes frame;
        const AsciiStatus status = FindAsciiRequest(buffer, consumed, frame);
        if (status == AsciiStatus::Incomplete) return;
        const std::string text(buffer.begin(), buffer.begin() + static_cast<long>(consumed));
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<long>(consumed));
        if (status == AsciiStatus::Skip) continue;
        if (VanishesNow()) return GoOffLine();
        AppendFrameCrc(frame);  // the same frame an RTU master would have sent
        Handle(frame, firstByte, text);
        firstByte = Clock::now();
    }
}

void VirtualDrive::Handle(const Bytes& request, Clock::time_point arrived,
                          const std::string& asciiText) {
    const bool ascii = !asciiText.empty();
    const uint8_t station = request[0];
    Faults faults;
    Pacing pacing;
    ReplyHook hook;
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(LoggedRequest{request, asciiText});
        m_logged.notify_all();
        if (station != m_station && station != 255) return;
        pacing = m_pacing;
        hook = m_hook;
        // Each fault used here counts down once for this reply; every kind
        // draws its chance, so that a seed gives the same faults every run.
        Faults& f = m_faults;
        std::uniform_real_distribution<double> percent(0.0, 100.0);
        auto chance = [&](double rate) { return percent(m_chance) < rate; };
        const bool noise = chance(m_rates.noise), crc = chance(m_rates.corruptCrc),
                   check = chance(m_rates.corruptChecks), drop = chance(m_rates.drop),
                   late = chance(m_rates.late), split = chance(m_rates.split), foreign = chance(m_rates.foreign);
        faults.dropReplies = Take(f.dropReplies) || drop;
        faults.corruptCrc = Take(f.corruptCrc) || crc;
        faults.corruptChecks = Take(f.corruptChecks) || check;
        faults.lateReplies = Take(f.lateReplies) || late;
        faults.lateByMs = f.lateByMs;
        faults.foreignPackets = Take(f.foreignPackets) || foreign;
        faults.noisyReplies = Take(f.noisyReplies) || noise;
        faults.noise = f.noise;
        if (noise && faults.noise.empty()) {
            std::uniform_int_distribution<int> length(1, 6), byte(0, 255);
            for (int i = length(m_chance); i > 0; --i) faults.noise.push_back(static_cast<uint8_t>(byte(m_chance)));
        }
        faults.splitReplies = Take(f.splitReplies) || split;
        faults.splitPieces = f.splitPieces;
        faults.splitPauseMs = f.splitPauseMs;
        faults.lowercaseLrc = Take(f.lowercaseLrc);
        faults.missingColon = Take(f.missingColon);
        faults.shortReplies = Take(f.shortReplies);
        faults.lostBlockWrites = request[1] == 0xF5 && Take(f.lostBlockWrites);
        m_injected.noise += faults.noisyReplies != 0;
        m_injected.corruptCrc += faults.corruptCrc != 0;
        m_injected.corruptChecks += faults.corruptChecks != 0;
        m_injected.drop += faults.dropReplies != 0;
        m_injected.late += faults.lateReplies != 0;
        m_injected.split += faults.splitReplies != 0;
        m_injected.foreign += faults.foreignPackets != 0;
    }
    if (faults.dropReplies) return;

    Bytes reply = faults.lostBlockWrites ? BlockWriteAcknowledgement(request) : AnswerRequest(*m_model, request);
    std::optional<Bytes> custom;
    if (hook) custom = hook(LoggedRequest{request, asciiText}, reply);
    Bytes line;
    if (custom) {
        line = std::move(*custom);
    } else if (ascii) {
        line = AsciiLine(reply, faults);
    } else if (m_plainRtu) {
        if (faults.corruptCrc) reply.back() ^= 0x5A;
        line = std::move(reply);
    } else {
        if (faults.corruptCrc) reply.back() ^= 0x5A;
        Bytes packet = WrapLinkPacket(kLinkTypeRtuResponse, reply);
        if (faults.corruptChecks) packet[packet.size() - 2] ^= 0x01;
        if (faults.noisyReplies) line.insert(line.end(), faults.noise.begin(), faults.noise.end());
        if (faults.foreignPackets) {
            Bytes foreign = WrapLinkPacket(1, reply);
            line.insert(line.end(), foreign.begin(), foreign.end());
        }
        line.insert(line.end(), packet.begin(), packet.end());
    }

    Clock::time_point sendAt = Clock::now();
    if (pacing.baud) {
        auto wire = [&](size_t bytes) {
            return std::chrono::nanoseconds(bytes * 11ull * 1000000000ull / pacing.baud);
        };
        sendAt = arrived + wire(request.size()) + std::chrono::microseconds(pacing.turnaroundUs) +
                 wire(line.size());
    }
    if (faults.lateReplies) sendAt += std::chrono::milliseconds(faults.lateByMs);
    if (pacing.baud && !faults.lateReplies)
        SleepUntilPaced(sendAt);
    else
        SleepUntil(sendAt);

    if (!faults.splitReplies || line.size() < 2) {
        WriteAll(line.data(), line.size());
        return;
    }
    const size_t pieces = std::max(2, faults.splitPieces);
    const size_t step = std::max<size_t>(1, (line.size() + pieces - 1) / pieces);
    for (size_t at = 0; at < line.size(); at += step) {
        if (at) std::this_thread::sleep_for(std::chrono::milliseconds(faults.splitPauseMs));
        WriteAll(line.data() + at, std::min(step, line.size() - at));
    }
}

}  // namespace tarn::sim
