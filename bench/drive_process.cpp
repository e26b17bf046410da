#include "bench/drive_process.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace tarn::bench {

namespace {

std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (::read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

void WriteLine(int fd, const std::string& text) {
    const std::string line = text + "\n";
    if (::write(fd, line.data(), line.size()) < 0) _exit(1);
}

}  // namespace

DriveProcess::DriveProcess(const std::function<void(sim::VirtualDrive&)>& setUp,
                           std::shared_ptr<sim::DriveModel> model, uint8_t station) {
    int report[2], control[2];
    if (::pipe(report) != 0 || ::pipe(control) != 0) std::exit(1);
    m_child = ::fork();
    if (m_child == 0) {
        ::close(report[0]);
        ::close(control[1]);
        sim::VirtualDrive drive(station, model ? model : std::make_shared<sim::DriveModel>());
        setUp(drive);
        WriteLine(report[1], drive.Path());
        // Until the parent says stop (an explicit byte: other children share the pipe's ends).
        char c;
        if (::read(control[0], &c, 1) < 0) _exit(1);
        WriteLine(report[1], std::to_string(drive.MeanPacingError()));
        _exit(0);
    }
    ::close(report[1]);
    ::close(control[0]);
    m_report = report[0];
    m_control = control[1];
    m_path = ReadLine(m_report);
}

DriveProcess::~DriveProcess() { Stop(); }

double DriveProcess::Stop() {
    if (m_child < 0) return 0;
    const char stop = 's';
    if (::write(m_control, &stop, 1) != 1) return 0;
    ::close(m_control);
    const std::string lateness = ReadLine(m_report);
    ::close(m_report);
    ::waitpid(m_child, nullptr, 0);
    m_child = -1;
    return std::atof(lateness.c_str()) / 1000.0;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace tarn::bench
