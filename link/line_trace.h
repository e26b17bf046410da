#pragma once
// A bus monitor written to a file: every byte the port moves, one line per
// frame, with its time on the monotonic clock in microseconds, its direction,
// its bytes and what the frame says:
//
//   812345670 out 01 03 01 00 00 0A C4 31 | station=1 function=0x03 address=0x0100 ...
//   812345678 in  FE 1A 00 01 03 14 ... | packet=ok station=1 function=0x03 count=10 crc=ok
//
// The link's threads only queue the bytes; a thread of the trace's own
// decodes and writes them, so that tracing does not slow the link.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/serial/line_tap.h"

namespace tarn {

class LineTrace : public ILineTap {
public:
    // Creates (or replaces) the file and writes a heading with `title`;
    // throws std::runtime_error naming the file when it cannot be written.
    LineTrace(const std::string& path, const std::string& title);
    // Writes what is still queued, then closes the file.
    ~LineTrace() override;
    // The same, early: 0, or the errno value of the first write that failed
    // (the trace is then cut short there).
    int Close();
    LineTrace(const LineTrace&) = delete;
    LineTrace& operator=(const LineTrace&) = delete;

    void OnLine(LineDirection direction, const uint8_t* bytes, size_t size) override;

private:
    struct Piece {
        int64_t us;
        LineDirection direction;
        size_t offset;
        size_t size;
    };
    void Run();
    void Flush();
    // Writer thread: frames of the pieces taken off the queue.
    void Take(const Piece& piece, const uint8_t* bytes);
    void TakeIncoming(bool flushAll);
    void WriteLine(int64_t us, const char* direction, const uint8_t* bytes, size_t size,
                   const std::string& text);

    std::FILE* m_file;
    int m_writeError = 0;  // writer thread until Close has joined it
    std::mutex m_mutex;
    std::condition_variable m_queued;
    bool m_stopping = false;
    bool m_writerWaiting = false;
    std::vector<uint8_t> m_bytes;  // queued bytes, and the pieces they belong to
    std::vector<Piece> m_pieces;

    // Writer thread only: incoming bytes not yet ended in a frame, and the time
    // of each read they came in (offset into m_in, time).
    std::vector<uint8_t> m_in;
    std::vector<std::pair<size_t, int64_t>> m_inTimes;
    std::thread m_writer;
};

}  // namespace tarn
