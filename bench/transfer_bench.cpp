// Whole transfers of the shipped drive through the dialogs' logic against the
// virtual drive paced at 921600 baud 8N2 with a 100 us turnaround: the first
// upload after connecting (which learns the parameter definitions) and a
// download of everything, the Program and DV included. Each is printed beside
// its bound: the wire time of the bytes that actually went each way, a
// turnaround per request, and the waits the dialogs make by design (the burn's
// pause and the ready polls, as the drive description's ready delay asks, and
// the pause before the progress bar hides).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/drive_process.h"
#include "image/image_file.h"
#include "params/para_mgr.h"
#include "platform/serial/line_tap.h"
#include "platform/tick_clock.h"
#include "platform/wide_string.h"
#include "sim/default_drive.h"
#include "sim/servo_drive.h"
#include "tests/common/workflow_rig.h"

namespace {

using namespace tarn;
namespace fs = std::filesystem;

constexpr uint32_t kBaud = 921600;
constexpr uint32_t kTurnaroundUs = 100;
constexpr double kProgressHideMs = 100;  // the pause at progress 100
constexpr double kTarget = 1.15, kCpuTarget = 0.05;

// Counts what passes the port: requests and bytes each way.
class LineCount : public ILineTap {
public:
    void OnLine(LineDirection direction, const uint8_t*, size_t size) override {
        if (direction == LineDirection::Out) {
            ++requests;
            out += size;
        } else {
            in += size;
        }
    }
    void Clear() { requests = out = in = 0; }
    std::atomic<uint64_t> requests{0}, out{0}, in{0};
};

// The real clock, keeping the sum of the waits asked of it.
class CountingClock : public ITickClock {
public:
    uint32_t TickCount() override { return SystemTickClock::Instance().TickCount(); }
    void Sleep(uint32_t ms) override {
        slept += ms;
        SystemTickClock::Instance().Sleep(ms);
    }
    std::atomic<uint64_t> slept{0};
};

// The uploaded image with a Program and DV contents of the drive's sizes, so
// that the download writes every part and burns.
bool AddProgramAndDV(const fs::path& from, const fs::path& to) {
    CCfgExchange cfg;
    CParaMgr mgr;
    cfg.ParaMgr = &mgr;
    CDevInfo info;
    if (!ReadImageFile(FromUtf8(from.string()), info, cfg).ok()) return false;
    cfg.IncludeProgramDV = 1;
    cfg.SectionP_Size.image = 2048;
    cfg.ProgramData = std::vector<uint16_t>(2048, 0x1234);
    cfg.DVData = std::vector<uint16_t>(static_cast<size_t>(cfg.ActualDV_Size.image), 0x0DD0);
    cfg.AutoDVData = std::vector<uint16_t>(static_cast<size_t>(cfg.ActualAutoDV_Size.image), 0x0AD0);
    return WriteImageFile(FromUtf8(to.string()), info, cfg);
}

bool Measure(const char* name, LineCount& line, CountingClock& clock, const std::function<bool()>& transfer) {
    line.Clear();
    clock.slept = 0;
    const double cpu0 = bench::CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = transfer();
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = (bench::CpuSeconds() - cpu0) * 1000;
    const double wire = (line.out + line.in) * 11e3 / kBaud + line.requests * kTurnaroundUs / 1e3;
    const double bound = wire + clock.slept + kProgressHideMs;
    const bool met = ok && wall / bound <= kTarget && cpu / wall <= kCpuTarget;
    std::printf("%-10s %9.0f %9.0f %9.0f %9.0f %7.3f %8.1f%% %7ju  %s\n", name, wall, bound, wire,
                static_cast<double>(clock.slept) + kProgressHideMs, wall / bound, cpu / wall * 100,
                static_cast<uintmax_t>(line.requests.load()), !ok ? "FAILED" : met ? "targets met" : "targets missed");
    return met;
}

}  // namespace

int main() {
    const auto description = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    bench::DriveProcess drive([](sim::VirtualDrive& d) { d.SetPacing({kBaud, kTurnaroundUs}); },
                              std::make_shared<sim::ServoDrive>(description), description.station);
    const fs::path dir = fs::temp_directory_path() / ("tarn-transfer-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    bool met = false;
    {
        test::WorkflowRig rig(drive.Path(), dir);
        CountingClock clock;
        rig.UseClock(&clock);
        LineCount line;
        rig.Dialog().m_Link.SetLineTap(&line);
        if (!rig.Connect()) {
            std::fprintf(stderr, "the virtual drive did not answer on %s\n", drive.Path().c_str());
            return 1;
        }
        std::printf("Whole transfers of the shipped drive (%zu parameter groups) at %u baud 8N2, turnaround %u us,"
                    " ready delay %u ms\n",
                    description.groups.size(), kBaud, kTurnaroundUs, description.readyDelayMs);
        std::printf("%-10s %9s %9s %9s %9s %7s %9s %7s\n", "transfer", "wall ms", "bound ms", "wire ms", "waits ms",
                    "ratio", "CPU/wall", "requests");
        const fs::path image = dir / "upload.tkw", full = dir / "full.tkw";
        const bool up = Measure("upload", line, clock, [&] { return rig.Upload(image).back() == "Finished!"; });
        const bool down = AddProgramAndDV(image, full) && Measure("download", line, clock, [&] {
            const auto log = rig.Download(full);
            return !log.empty() && log.back() == "Finished!";
        });
        met = up && down;
        rig.Dialog().m_Link.SetLineTap(nullptr);
    }
    drive.Stop();
    fs::remove_all(dir);
    std::printf("Targets (ratio <= %.2f, CPU <= %.0f %% of wall time): %s\n", kTarget, kCpuTarget * 100,
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}
