// Link throughput against the virtual drive, paced as a real line at 921600 baud
// 8N2 with a 100 us turnaround. For each exchange kind it prints exchanges per
// second, the ratio of the time per exchange to the wire-time bound
// (bytes x 11 / 921600 + turnaround) and the CPU time this process spends per
// exchange. The drive runs in a child process, so the CPU time is the link's.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/hct_comm.h"
#include "link/line_trace.h"
#include "link/link_tables.h"
#include "platform/wide_string.h"
#include "sim/virtual_drive.h"

namespace {

constexpr uint32_t kBaud = 921600;
constexpr uint32_t kTurnaroundUs = 100;
constexpr size_t kPacketWrapper = 5;  // start mark, length, type, X, S

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The drive's child process: `control` ends it, `report` carries its answers.
int control[2];
int report = -1;

std::string ReadLine(int fd) {
    std::string line;
    char c;
    while (read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

// Runs the drive in a child process and returns its device path.
std::string StartDrive(pid_t& child, bool paced) {
    int fds[2];
    if (pipe(fds) != 0 || pipe(control) != 0) std::exit(1);
    child = fork();
    if (child == 0) {
        close(fds[0]);
        close(control[1]);
        tarn::sim::VirtualDrive drive(1);
        if (paced) drive.SetPacing({kBaud, kTurnaroundUs});
        for (uint16_t a = 0; a < 64; ++a) drive.Model().SetRegister(a, static_cast<uint16_t>(a * 3));
        std::string path = drive.Path() + "\n";
        if (write(fds[1], path.data(), path.size()) < 0) _exit(1);
        // Until the parent closes the other end: then report the pacing error.
        char c;
        while (read(control[0], &c, 1) > 0) {
        }
        std::string report = std::to_string(drive.MeanPacingError()) + "\n";
        if (write(fds[1], report.data(), report.size()) < 0) _exit(1);
        _exit(0);
    }
    close(fds[1]);
    close(control[0]);
    report = fds[0];
    return ReadLine(report);
}

struct Result {
    bool ok;
    double perSecond, ratio, cpuShare, cpuUsPerExchange;
};

Result Measure(int exchanges, size_t requestBytes, size_t replyBytes,
               const std::function<bool()>& exchange) {
    for (int i = 0; i < 50; ++i)  // warm up
        if (!exchange()) return {false, 0, 0, 0, 0};
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = true;
    for (int i = 0; i < exchanges && ok; ++i) ok = exchange();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    const double bound = (requestBytes + replyBytes + kPacketWrapper) * 11.0 / kBaud + kTurnaroundUs / 1e6;
    const double perExchange = wall / exchanges;
    return {ok, exchanges / wall, perExchange / bound, cpu / wall, cpu / exchanges * 1e6};
}

// Rounds of `block` exchanges with the trace off and on by turns (the order
// swapped every round), so that both see the same load on a shared machine;
// returns the median time per exchange without and with it, in microseconds.
std::pair<double, double> TraceCost(tarn::CHCT_COMM& link, tarn::LineTrace& trace,
                                    const std::function<bool()>& exchange, int rounds, int block) {
    std::vector<double> plain, traced;
    for (int r = 0; r < rounds; ++r) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool on = (turn == 0) == (r % 2 == 0);
            link.SetLineTap(on ? &trace : nullptr);
            const auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < block; ++i) exchange();
            const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
            (on ? traced : plain).push_back(us / block);
        }
    }
    link.SetLineTap(nullptr);
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    return {median(plain), median(traced)};
}

}  // namespace

int main(int argc, char** argv) {
    // --unpaced: the drive answers at once, which shows the software's own
    // round-trip time (the ratio column is then meaningless). --trace FILE:
    // the link runs with a line trace to FILE. --trace-cost FILE: instead of
    // the table, the time per exchange without and with a trace to FILE,
    // measured by turns.
    bool paced = true;
    int exchanges = 3000;
    std::string traceFile;
    bool traceCost = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--unpaced") {
            paced = false;
        } else if ((arg == "--trace" || arg == "--trace-cost") && i + 1 < argc) {
            traceFile = argv[++i];
            traceCost = arg == "--trace-cost";
        } else {
            exchanges = std::max(1, std::atoi(argv[i]));
        }
    }
    pid_t child = 0;
    const std::string path = StartDrive(child, paced);

    bool allMet = true;
    {
        std::unique_ptr<tarn::LineTrace> trace;
        if (!traceFile.empty()) trace = std::make_unique<tarn::LineTrace>(traceFile, path);
        tarn::CHCT_COMM link;
        if (!traceCost) link.SetLineTap(trace.get());
        if (link.OpenPort(path, tarn::kLinkBaudCode, tarn::kLinkProtocolCode) != 1) {
            std::fprintf(stderr, "open %s: %s\n", path.c_str(), tarn::ToUtf8(link.GetErrMsg()).c_str());
            close(control[1]);
            waitpid(child, nullptr, 0);
            return 1;
        }
        uint16_t words[44] = {};
        const uint16_t block[5] = {1, 2, 3, 4, 5};
        struct Case {
            const char* name;
            size_t request, reply;
            std::function<bool()> run;
        } cases[] = {
            {"Read_Reg (10 registers)", 8, 25, [&] { return link.Read_Reg(1, 0, 10, words); }},
            {"Download_Block (5 words)", 18, 8, [&] { return link.Download_Block(1, 3, 0, 5, block); }},
            {"Upload_Block (10 words)", 9, 28, [&] { return link.Upload_Block(1, 3, 0, 10, words); }},
        };
        if (traceCost) {
            constexpr int kRounds = 21, kBlock = 200;
            std::printf("Time per exchange without and with a line trace, %d rounds of %d exchanges each by turns%s\n",
                        kRounds, kBlock, paced ? "" : ", unpaced");
            std::printf("%-26s %14s %14s %8s\n", "exchange", "untraced us", "traced us", "ratio");
            for (auto& c : cases) {
                const auto [plain, traced] = TraceCost(link, *trace, c.run, kRounds, kBlock);
                std::printf("%-26s %14.1f %14.1f %8.3f\n", c.name, plain, traced, traced / plain);
            }
        } else {
            std::printf("Link against the virtual drive at %u baud 8N2, turnaround %u us, %d exchanges each%s\n",
                        kBaud, kTurnaroundUs, exchanges, trace ? ", traced" : "");
            std::printf("%-26s %12s %14s %10s %14s\n", "exchange", "per second", "ratio to wire", "CPU/wall",
                        "CPU us/exch");
            for (auto& c : cases) {
                const Result r = Measure(exchanges, c.request, c.reply, c.run);
                const bool met = r.ok && r.ratio <= 1.2 && r.cpuShare <= 0.10;
                allMet = allMet && met;
                std::printf("%-26s %12.0f %14.3f %9.1f%% %14.1f  %s\n", c.name, r.perSecond, r.ratio,
                            r.cpuShare * 100, r.cpuUsPerExchange,
                            !r.ok ? "FAILED: " : met ? "target met" : "target missed");
                if (!r.ok) std::printf("  %s\n", tarn::ToUtf8(link.GetErrMsg()).c_str());
            }
        }
    }
    close(control[1]);
    const std::string pacingError = ReadLine(report);
    waitpid(child, nullptr, 0);
    if (paced)
        std::printf("The virtual drive sent its replies %.1f us after their wire-time target on average.\n",
                    std::atof(pacingError.c_str()) / 1000.0);
    if (!traceCost)
        std::printf("Targets (ratio <= 1.2, CPU <= 10%% of wall time): %s\n", allMet ? "met" : "MISSED");
    return 0;
}
