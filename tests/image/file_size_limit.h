#pragma once
// A full disk, as a file-size limit makes one on Linux: writes past the limit
// fail (SIGXFSZ ignored meanwhile, so the process is not killed); both are
// restored when the limit goes.
#include <sys/resource.h>

#include <csignal>

namespace tarn::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_old{};
    void (*m_signal)(int);
};

}  // namespace tarn::test
