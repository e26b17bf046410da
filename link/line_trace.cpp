#include "link/line_trace.h"

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "link/frame_text.h"
#include "link/link_packet.h"

namespace tarn {

namespace {

constexpr std::chrono::milliseconds kBatchTime{50};

int64_t MonotonicMicroseconds() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Printable(const uint8_t* bytes, size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(bytes[i]);
        text += c == '\r'   ? "\\r"
                : c == '\n' ? "\\n"
                            : std::string(1, c >= 0x20 && c < 0x7F ? c : '?');
    }
    return text;
}

}  // namespace

LineTrace::LineTrace(const std::string& path, const std::string& title)
    : m_file(std::fopen(path.c_str(), "w")) {
    if (!m_file) throw std::runtime_error("cannot write the trace file " + path);
    std::fprintf(
        m_file,
        "# line trace of %s: time (microseconds, monotonic clock), direction, bytes | frame\n",
        title.c_str());
    m_writer = std::thread([this] { Run(); });
}

LineTrace::~LineTrace() { Close(); }

void LineTrace::OnLine(LineDirection direction, const uint8_t* bytes, size_t size) {
    const int64_t us = MonotonicMicroseconds();
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_pieces.push_back({us, direction, m_bytes.size(), size});
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
        wake = m_writerWaiting;
        m_writerWaiting = false;
    }
    // Woken only from its idle wait: while it gathers or writes, it comes back
    // to the queue by itself.
    if (wake) m_queued.notify_one();
}

void LineTrace::Run() {
    std::vector<uint8_t> bytes;
    std::vector<Piece> pieces;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_writerWaiting = m_pieces.empty() && !m_stopping;
            m_queued.wait(lock, [this] { return !m_pieces.empty() || m_stopping; });
            m_writerWaiting = false;
            // Gather a while before writing: one wake-up and one write per batch
            // keep the trace off the link's way.
            m_queued.wait_for(lock, kBatchTime, [this] { return m_stopping; });
            if (m_pieces.empty()) break;
            bytes.swap(m_bytes);
            pieces.swap(m_pieces);
        }
        for (const Piece& piece : pieces) Take(piece, bytes.data() + piece.offset);
        Flush();
        bytes.clear();
        pieces.clear();
    }
    TakeIncoming(true);
    Flush();
}

void LineTrace::Flush() {
    // The first failure stays: it is what cut the trace short (a full disk).
    if (std::fflush(m_file) != 0 && m_writeError == 0) m_writeError = errno ? errno : EIO;
}

int LineTrace::Close() {
    if (!m_file) return m_writeError;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_queued.notify_one();
    m_writer.join();
    if (std::fclose(m_file) != 0 && m_writeError == 0) m_writeError = errno ? errno : EIO;
    m_file = nullptr;
    return m_writeError;
}

void LineTrace::Take(const Piece& piece, const uint8_t* bytes) {
    if (piece.direction == LineDirection::In) {
        m_inTimes.emplace_back(m_in.size(), piece.us);
        m_in.insert(m_in.end(), bytes, bytes + piece.size);
        TakeIncoming(false);
        return;
    }
    // A request ends whatever came in before it.
    TakeIncoming(true);
    const bool ascii = piece.size > 0 && bytes[0] == ':';
    WriteLine(piece.us, "out", bytes, piece.size,
              ascii ? "ascii \"" + Printable(bytes, piece.size) + "\""
                    : DescribeRequest(bytes, piece.size));
}

// Cuts the incoming bytes into frames: link packets (0xFE, length, ...),
// ASCII lines (":" to line feed), and noise in between. With flushAll a frame
// still incomplete is written as it is.
void LineTrace::TakeIncoming(bool flushAll) {
    while (!m_in.empty()) {
        size_t length = 0;
        std::string text;
        if (m_in[0] == kLinkStartMark && m_in.size() >= 2 && m_in[1] >= 3 &&
            m_in[1] <= kLinkMaxLength) {
            length = 2 + size_t{m_in[1]};
            if (m_in.size() >= length) {
                const uint8_t* body = m_in.data() + 2;
                const size_t bodySize = m_in[1];
                const LinkChecks c = ComputeLinkChecks(body, bodySize - 2);
                const bool checked = c.x == body[bodySize - 2] && c.s == body[bodySize - 1];
                text = checked ? "packet=ok" : "packet=bad";
                if (body[0] != kLinkTypeRtuResponse)
                    text += " type=" + std::to_string(body[0]);
                else
                    text += " " + DescribeReply(body + 1, bodySize - 3);
            }
        } else if (m_in[0] == kLinkStartMark && m_in.size() < 2) {
            length = 2;
        } else if (m_in[0] == ':') {
            auto end = std::find(m_in.begin(), m_in.end(), '\n');
            length =
                end == m_in.end() ? m_in.size() + 1 : static_cast<size_t>(end - m_in.begin()) + 1;
            if (end != m_in.end()) text = "ascii \"" + Printable(m_in.data(), length) + "\"";
        } else {
            // Noise: up to where a frame may start.
            auto start = std::find_if(m_in.begin() + 1, m_in.end(),
                                      [](uint8_t b) { return b == kLinkStartMark || b == ':'; });
            length = static_cast<size_t>(start - m_in.begin());
            text = "noise";
        }
        if (text.empty()) {
            if (!flushAll) return;  // the rest of the frame is still to come
            length = m_in.size();
            text = "incomplete";
        }
        length = std::min(length, m_in.size());
        WriteLine(m_inTimes.front().second, "in", m_in.data(), length, text);
        m_in.erase(m_in.begin(), m_in.begin() + static_cast<long>(length));
        // The time of the bytes left is that of the read the first of them came in.
        for (auto& [offset, us] : m_inTimes) offset = offset > length ? offset - length : 0;
        while (m_inTimes.size() > 1 && m_inTimes[1].first == 0) m_inTimes.erase(m_inTimes.begin());
    }
    m_inTimes.clear();
}

void LineTrace::WriteLine(int64_t us, const char* direction, const uint8_t* bytes, size_t size,
                          const std::string& text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(size * 3);
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[bytes[i] >> 4];
        hex += kDigits[bytes[i] & 0x0F];
        hex += ' ';
    }
    std::fprintf(m_file, "%lld %-3s %s| %s\n", static_cast<long long>(us), direction, hex.c_str(),
                 text.c_str());
}

}  // namespace tarn
