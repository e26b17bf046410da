#include "fuzz/line_input.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "link/hct_comm.h"
#include "link/link_packet.h"
#include "link/link_tables.h"
#include "link/packet_scanner.h"
#include "sim/ascii_frames.h"
#include "sim/drive_model.h"
#include "sim/pty.h"
#include "sim/rtu_frames.h"

namespace tarn::fuzz {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kStation = 1;
constexpr uint16_t kAddress = 0x0010;
constexpr int kAsciiProtocol = 3;  // 8 data bits, 2 stop bits, ASCII framing
// On top of a worker's own time-out, for a machine under load.
constexpr auto kSlack = std::chrono::seconds(5);

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

int CountFor(const LineRequest& r, int raw) {
    if (!r.ascii) {
        switch (r.worker) {
            case 0: return raw % 11;     // Read_Reg_RTU: at most 10
            case 2: return raw + 1;      // Write_MultiReg_RTU
            case 4: return raw + 1;      // Read_CFG_RTU: at most 16
            case 5: case 6: return raw + 1;  // the block functions
            default: return 0;
        }
    }
    switch (r.worker) {
        case 0: return raw % 11;
        case 2: case 3: return raw + 1;
        default: return 0;
    }
}

// Runs one job at a time on a thread of its own, so that this thread can play
// the drive meanwhile.
class Caller {
public:
    Caller() : m_thread([this] { Loop(); }) {}
    ~Caller() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    void Start(std::function<void()> job) {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_done = false;
        m_cv.notify_all();
    }
    bool WaitDone(Clock::time_point deadline) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_until(lock, deadline, [&] { return m_done; });
    }
    bool Done() {
        std::lock_guard lock(m_mutex);
        return m_done;
    }

private:
    void Loop() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [&] { return m_quit || m_job; });
            if (m_quit) return;
            auto job = std::move(m_job);
            m_job = nullptr;
            lock.unlock();
            job();
            lock.lock();
            m_done = true;
            m_cv.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::function<void()> m_job;
    bool m_done = true;
    bool m_quit = false;
    std::thread m_thread;
};

// A link on a pseudo-terminal in one framing, this side playing the drive.
// Each framing has a line of its own, so that the receive thread never sits
// on the port an ASCII worker reads.
struct Line {
    sim::PseudoTerminal pty;
    CHCT_COMM link;
    Caller caller;

    explicit Line(int protocol) {
        if (link.OpenPort(pty.SlavePath(), kLinkBaudCode, protocol) != 1) Broken("the port does not open");
    }
    // Reads what the link sends until `done` says the request is complete, or
    // the worker has ended without sending one.
    std::string ReadRequest(const std::function<bool(const std::string&)>& done) {
        std::string text;
        const auto deadline = Clock::now() + kSlack;
        while (!done(text)) {
            if (caller.Done()) return text;
            if (Clock::now() > deadline) Broken("the request never went out");
            pollfd pfd{pty.MasterFd(), POLLIN, 0};
            if (::poll(&pfd, 1, 10) <= 0) continue;
            char buffer[256];
            const ssize_t n = ::read(pty.MasterFd(), buffer, sizeof buffer);
            if (n > 0) text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    void Send(const uint8_t* bytes, size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(pty.MasterFd(), bytes, size);
            if (n > 0) {
                bytes += n;
                size -= static_cast<size_t>(n);
            } else {
                pollfd pfd{pty.MasterFd(), POLLOUT, 0};
                ::poll(&pfd, 1, 100);
            }
        }
    }
};

// Both live as long as the fuzzing process.
Line& LineFor(bool ascii) {
    static Line* rtu = new Line(kLinkProtocolCode);
    static Line* asciiLine = new Line(kAsciiProtocol);
    return ascii ? *asciiLine : *rtu;
}

// The RTU request length of a worker: 8 bytes, but for the writes of many words.
size_t RtuRequestLength(const LineRequest& r) {
    if (r.worker == 2) return 9 + 2u * r.count;
    if (r.worker == 6) return 8 + 2u * r.count;
    if (r.worker == 5) return 9;
    return 8;
}

size_t AsciiReplyLength(const LineRequest& r) {
    if (r.worker == 0) return 4u * r.count + 11;
    if (r.worker == 3) return 75;
    return 17;
}

// Runs the worker; every output buffer is exactly as long as the worker may
// fill, so that a write past it is caught.
bool RunWorker(CHCT_COMM& link, const LineRequest& r) {
    std::vector<uint16_t> words(static_cast<size_t>(r.count) + (r.count == 0));
    std::vector<uint16_t> values(static_cast<size_t>(r.count) + 1, 0x1234);
    uint16_t a = 0, b = 0, c = 0;
    TripleRecord record;
    if (r.ascii) {
        switch (r.worker) {
            case 0: return link.Read_Reg_ASCII(kStation, kAddress, static_cast<uint16_t>(r.count), words.data());
            case 1: return link.Write_Reg_ASCII(kStation, kAddress, 0x1234);
            case 2: return link.Write_MultiReg_ASCII(kStation, kAddress, static_cast<uint16_t>(r.count), values.data());
            default: return link.Read_CFG_ASCII(kStation, 0x0100, static_cast<uint16_t>(r.count), words.data());
        }
    }
    switch (r.worker) {
        case 0: return link.Read_Reg_RTU(kStation, kAddress, static_cast<uint16_t>(r.count), words.data());
        case 1: return link.Write_Reg_RTU(kStation, kAddress, 0x1234, true);
        case 2: return link.Write_MultiReg_RTU(kStation, kAddress, static_cast<uint16_t>(r.count), values.data());
        case 3: return link.Read_Triple3_RTU(kStation, &a, &b, &c);
        case 4: return link.Read_CFG_RTU(kStation, 0x0100, static_cast<uint16_t>(r.count), words.data());
        case 5: return link.Upload_Block_RTU(kStation, 0, 0, static_cast<uint8_t>(r.count), words.data());
        case 6: return link.Download_Block_RTU(kStation, 0, 0, static_cast<uint16_t>(r.count), values.data());
        default: return link.Read_Triple_RTU(kStation, &record);
    }
}

// Where the line bytes stop: just after the first packet that delivers a
// response (a packet of length 3 delivers none); 0 when none does.
size_t EndOfFirstResponse(const uint8_t* bytes, size_t size) {
    PacketScanner scanner;
    size_t at = 0;
    while (at < size) {
        PacketScanner::Packet packet;
        at += scanner.Feed(bytes + at, size - at, &packet);
        if (packet.payload && packet.length > 0) return at;
    }
    return 0;
}

}  // namespace

LineRequest DecodeSelector(uint8_t selector) {
    LineRequest r;
    r.ascii = (selector & 0x08) != 0;
    r.worker = r.ascii ? (selector & 0x03) : (selector & 0x07);
    r.shortReply = r.ascii && (selector & 0x04);
    r.count = CountFor(r, selector >> 4);
    return r;
}

uint8_t EncodeSelector(const LineRequest& r) {
    for (int s = 0; s < 256; ++s) {
        const LineRequest d = DecodeSelector(static_cast<uint8_t>(s));
        if (d.ascii == r.ascii && d.worker == r.worker && d.count == r.count && d.shortReply == r.shortReply)
            return static_cast<uint8_t>(s);
    }
    Broken("no selector for the request");
}

void FeedLineInput(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const LineRequest request = DecodeSelector(data[0]);
    const uint8_t* line = data + 1;
    size_t length = size - 1;
    if (!request.ascii) {
        length = EndOfFirstResponse(line, length);
        if (length == 0) {
            // Nothing would answer the worker, which would only run into its
            // time-out: the bytes go through a scanner alone.
            PacketScanner scanner;
            for (size_t at = 0; at < size - 1;) at += scanner.Feed(line + at, size - 1 - at, nullptr);
            return;
        }
    }
    Line& l = LineFor(request.ascii);
    bool ok = false;
    const auto start = Clock::now();
    l.caller.Start([&] { ok = RunWorker(l.link, request); });
    if (request.ascii) {
        l.ReadRequest([](const std::string& t) { return t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0; });
        std::vector<uint8_t> reply(line, line + length);
        const size_t wanted = AsciiReplyLength(request);
        if (!request.shortReply || reply.size() > wanted) reply.resize(wanted, 0);
        l.Send(reply.data(), reply.size());
    } else {
        const size_t requestLength = RtuRequestLength(request);
        l.ReadRequest([&](const std::string& t) { return t.size() >= requestLength; });
        l.Send(line, length);
    }
    const uint32_t timeout = l.link.ResponseTimeout();
    if (!l.caller.WaitDone(start + std::chrono::milliseconds(timeout) + kSlack)) Broken("the worker hangs");
    if (!ok && l.link.GetErrMsg().empty()) Broken("the worker failed without a message");
}

std::vector<uint8_t> DriveReply(const LineRequest& r) {
    // The request as the worker sends it, taken off the line.
    Line& l = LineFor(r.ascii);
    l.caller.Start([&] { RunWorker(l.link, r); });
    std::string sent;
    if (r.ascii)
        sent = l.ReadRequest([](const std::string& t) { return t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0; });
    else
        sent = l.ReadRequest([&](const std::string& t) { return t.size() >= RtuRequestLength(r); });
    sim::DriveModel model;
    for (uint16_t i = 0; i < 64; ++i) model.SetRegister(static_cast<uint16_t>(kAddress + i), static_cast<uint16_t>(0x1200 + i));
    std::vector<uint8_t> reply;
    if (r.ascii) {
        size_t consumed = 0;
        sim::Bytes frame, buffer(sent.begin(), sent.end());
        sim::FindAsciiRequest(buffer, consumed, frame);
        sim::AppendFrameCrc(frame);
        const std::string text = sim::AsciiReplyText(sim::AnswerRequest(model, frame));
        reply.assign(text.begin(), text.end());
    } else {
        reply = WrapLinkPacket(kLinkTypeRtuResponse, sim::AnswerRequest(model, sim::Bytes(sent.begin(), sent.end())));
    }
    l.Send(reply.data(), reply.size());
    l.caller.WaitDone(Clock::now() + kSlack);
    return reply;
}

}  // namespace tarn::fuzz
