#include "app/console/sim_command.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "sim/default_drive.h"
#include "sim/drive_description.h"
#include "sim/drive_state.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"

namespace tarn::console {

namespace {

sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

int64_t Number(const std::string& option, const std::string& text, int64_t low, int64_t high) {
    try {
        size_t used = 0;
        const long long n = std::stoll(text, &used, 0);
        if (used == text.size() && n >= low && n <= high) return n;
    } catch (const std::exception&) {
    }
    throw UsageError{option + " needs a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high), "sim"};
}

// A count of replies a fault applies to: a number, or "all" (-1).
int Count(const CommandLine& line, const std::string& option) {
    const auto text = line.Value(option);
    if (!text) return 0;
    if (*text == "all") return -1;
    return static_cast<int>(Number(option, *text, 0, 1000000));
}

sim::Faults FaultsFrom(const CommandLine& line) {
    sim::Faults faults;
    faults.dropReplies = Count(line, "--drop");
    faults.corruptCrc = Count(line, "--bad-crc");
    faults.corruptChecks = Count(line, "--bad-check");
    faults.foreignPackets = Count(line, "--foreign");
    faults.noisyReplies = Count(line, "--noise");
    faults.noise = {0x00, 0x55, 0xAA};
    faults.splitReplies = Count(line, "--split");
    faults.lateReplies = Count(line, "--late");
    faults.lostBlockWrites = Count(line, "--lose-blocks");
    if (auto ms = line.Value("--late-ms")) {
        faults.lateByMs = static_cast<uint32_t>(Number("--late-ms", *ms, 0, 600000));
        if (!line.Value("--late")) faults.lateReplies = -1;
    }
    return faults;
}

// Removes the link at the end of the run, if it still points at our pty.
class DeviceLink {
public:
    DeviceLink(const std::string& link, const std::string& target) : m_link(link), m_target(target) {
        std::error_code ec;
        if (std::filesystem::is_symlink(m_link, ec)) {
            // A link to a pty that is still there belongs to a drive that runs:
            // taking it would send that drive's users here.
            const auto current = std::filesystem::read_symlink(m_link, ec);
            if (!ec && std::filesystem::is_character_file(current, ec))
                throw std::runtime_error(m_link.string() + " already leads to the running drive " + current.string() +
                                         ": give --link another path, or stop that drive first");
            std::filesystem::remove(m_link, ec);
        }
        std::filesystem::create_symlink(m_target, m_link);
    }
    ~DeviceLink() {
        std::error_code ec;
        if (std::filesystem::read_symlink(m_link, ec) == m_target) std::filesystem::remove(m_link, ec);
    }
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    std::filesystem::path m_link;
    std::filesystem::path m_target;
};

}  // namespace

void BlockStopSignals() {
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int RunSimulator(const CommandLine& line) {
    sim::DriveDescription description;
    try {
        description = line.arguments.empty() ? sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()))
                                             : sim::DriveDescription::FromFile(line.arguments[0]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarn: %s\n", e.what());
        return 1;
    }
    if (auto station = line.Value("--station"))
        description.station = static_cast<uint8_t>(Number("--station", *station, 1, 247));
    if (auto delay = line.Value("--ready-delay-ms"))
        description.readyDelayMs = static_cast<uint32_t>(Number("--ready-delay-ms", *delay, 0, 600000));
    if (line.Has("--hold-ready")) description.holdReadyLow = true;
    sim::Pacing pacing;
    if (auto baud = line.Value("--baud")) pacing.baud = static_cast<uint32_t>(Number("--baud", *baud, 1, 12000000));
    if (auto us = line.Value("--turnaround-us"))
        pacing.turnaroundUs = static_cast<uint32_t>(Number("--turnaround-us", *us, 0, 10000000));
    const sim::Faults faults = FaultsFrom(line);

    auto model = std::make_shared<sim::ServoDrive>(description);
    std::unique_ptr<sim::VirtualDrive> drive;
    std::unique_ptr<DeviceLink> link;
    try {
        drive = std::make_unique<sim::VirtualDrive>(description.station, model);
        if (auto path = line.Value("--link")) link = std::make_unique<DeviceLink>(*path, drive->Path());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarn: %s\n", e.what());
        return 1;
    }
    if (auto misstore = line.Value("--misstore")) {
        const size_t equals = misstore->find('=');
        if (equals == std::string::npos) throw UsageError{"--misstore needs REG=VALUE", "sim"};
        model->MisstoreRegister(static_cast<uint16_t>(Number("--misstore", misstore->substr(0, equals), 0, 0xFFFF)),
                                static_cast<uint16_t>(Number("--misstore", misstore->substr(equals + 1), 0, 0xFFFF)));
    }
    drive->SetPacing(pacing);
    drive->SetFaults(faults);
    drive->SetAsciiFraming(line.Has("--ascii"));
    if (auto after = line.Value("--vanish-after")) {
        // Gone as a pulled bridge is gone; the run then ends as if stopped.
        drive->VanishAfter(static_cast<int>(Number("--vanish-after", *after, 0, 1000000000)));
        drive->OnVanish([] {
            std::fprintf(stderr, "tarn: the virtual drive has gone off the line\n");
            ::kill(::getpid(), SIGTERM);
        });
    }
    std::printf("%s\n", drive->Path().c_str());
    std::fflush(stdout);

    const sigset_t signals = StopSignals();
    int received = 0;
    sigwait(&signals, &received);
    drive.reset();  // no request changes the drive any more
    if (auto state = line.Value("--state")) {
        try {
            sim::SaveDescription(sim::SnapshotOf(*model), *state);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tarn: %s\n", e.what());
            return 1;
        }
    }
    return 0;
}

}  // namespace tarn::console
