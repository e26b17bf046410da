#pragma once
// The line trace a drive command writes when asked (--trace FILE). It never
// takes the place of the command's own image, replaces an existing file only
// as an image is replaced (asked on a terminal, --yes otherwise), and says on
// stderr when it was cut short.
#include <memory>
#include <optional>
#include <string>

#include "app/console/console_io.h"
#include "link/line_trace.h"

namespace tarn::console {

class TraceTarget {
public:
    TraceTarget(ConsoleIo& io, std::string path) : m_io(io), m_path(std::move(path)) {}
    // Reports a trace cut short.
    ~TraceTarget();
    TraceTarget(const TraceTarget&) = delete;
    TraceTarget& operator=(const TraceTarget&) = delete;

    // Opens the trace; false (the reason on stderr) when it may not be written.
    // `image`: the image the command reads or writes, if any.
    bool Open(const std::string& title, const std::optional<std::string>& image);
    LineTrace* Trace() { return m_trace.get(); }

private:
    ConsoleIo& m_io;
    std::string m_path;
    std::unique_ptr<LineTrace> m_trace;
};

}  // namespace tarn::console
