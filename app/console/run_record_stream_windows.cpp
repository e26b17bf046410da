// The record's streams on Windows, whose C library has no cookie streams: the
// stream writes into a pipe, and a thread of the stream's own reads the pipe
// and hands what comes to Take().
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "app/console/run_record.h"

namespace tarn::console {

// Taken() writes a NUL, which no log line holds, and waits until the reader
// has come to it: everything written before it has then been taken.
struct RunRecord::Stream::Channel {
    HANDLE readEnd = nullptr;
    std::mutex mutex;
    std::condition_variable marked;
    int marksAsked = 0;
    int marksSeen = 0;
    std::thread reader;
};

RunRecord::Stream::Stream(std::FILE* echo, const RunRecord& owner)
    : m_echo(echo), m_owner(owner), m_channel(std::make_unique<Channel>()) {
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&m_channel->readEnd, &writeEnd, nullptr, 1 << 16))
        throw std::runtime_error("no stream for the run's record");
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_BINARY);
    m_file = fd >= 0 ? ::_fdopen(fd, "wb") : nullptr;
    if (!m_file) {
        ::CloseHandle(m_channel->readEnd);
        throw std::runtime_error("no stream for the run's record");
    }
    // The C library has no line buffering: every write goes out at once.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    m_channel->reader = std::thread([this] {
        char buffer[4096];
        for (;;) {
            DWORD n = 0;
            if (!::ReadFile(m_channel->readEnd, buffer, sizeof buffer, &n, nullptr) || n == 0) return;
            std::lock_guard lock(m_channel->mutex);
            const char* piece = buffer;
            for (const char* p = buffer; p != buffer + n; ++p) {
                if (*p != '\0') continue;
                Take(piece, static_cast<size_t>(p - piece));
                piece = p + 1;
                ++m_channel->marksSeen;
                m_channel->marked.notify_all();
            }
            Take(piece, static_cast<size_t>(buffer + n - piece));
        }
    });
}

RunRecord::Stream::~Stream() {
    std::fclose(m_file);  // the reader sees the pipe's end
    m_channel->reader.join();
    ::CloseHandle(m_channel->readEnd);
}

const RunRecord::Lines& RunRecord::Stream::Taken() const {
    int mark;
    {
        std::lock_guard lock(m_channel->mutex);
        mark = ++m_channel->marksAsked;
    }
    // Written unlocked: a full pipe waits for the reader, which takes the lock.
    std::fputc('\0', m_file);
    std::fflush(m_file);
    std::unique_lock lock(m_channel->mutex);
    m_channel->marked.wait(lock, [&] { return m_channel->marksSeen >= mark; });
    return m_lines;
}

}  // namespace tarn::console
