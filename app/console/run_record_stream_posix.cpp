// The record's streams on glibc: a cookie stream hands every write to Take()
// on the writing thread.
#include <cstdio>
#include <stdexcept>

#include "app/console/run_record.h"

namespace tarn::console {

struct RunRecord::Stream::Channel {
    static ssize_t Write(void* cookie, const char* data, size_t size) {
        static_cast<Stream*>(cookie)->Take(data, size);
        return static_cast<ssize_t>(size);
    }
};

RunRecord::Stream::Stream(std::FILE* echo, const RunRecord& owner) : m_echo(echo), m_owner(owner) {
    cookie_io_functions_t functions{};
    functions.write = &Channel::Write;
    m_file = fopencookie(this, "w", functions);
    if (!m_file) throw std::runtime_error("no stream for the run's record");
    std::setvbuf(m_file, nullptr, _IOLBF, 0);
}

RunRecord::Stream::~Stream() { std::fclose(m_file); }

const RunRecord::Lines& RunRecord::Stream::Taken() const { return m_lines; }

}  // namespace tarn::console
