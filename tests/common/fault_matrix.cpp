#include "tests/common/fault_matrix.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "image/image_file.h"
#include "params/para_mgr.h"
#include "platform/wide_string.h"
#include "sim/default_drive.h"
#include "sim/drive_state.h"
#include "sim/servo_drive.h"
#include "sim/virtual_drive.h"
#include "tests/common/workflow_rig.h"

namespace tarn::test {

namespace {

// Past the link's 300 ms reply time-out, so that a late reply meets the next attempt.
constexpr uint32_t kLateByMs = 400;

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

sim::FaultRates RatesFor(FaultKind kind, double percent, uint32_t seed) {
    sim::FaultRates rates;
    rates.seed = seed;
    switch (kind) {
        case FaultKind::Noise: rates.noise = percent; break;
        case FaultKind::BadCrc: rates.corruptCrc = percent; break;
        case FaultKind::BadCheck: rates.corruptChecks = percent; break;
        case FaultKind::Dropped: rates.drop = percent; break;
        case FaultKind::Late: rates.late = percent; break;
        case FaultKind::Split: rates.split = percent; break;
        case FaultKind::Foreign: rates.foreign = percent; break;
    }
    return rates;
}

int Injected(const sim::VirtualDrive::FaultCounts& c, FaultKind kind) {
    switch (kind) {
        case FaultKind::Noise: return c.noise;
        case FaultKind::BadCrc: return c.corruptCrc;
        case FaultKind::BadCheck: return c.corruptChecks;
        case FaultKind::Dropped: return c.drop;
        case FaultKind::Late: return c.late;
        case FaultKind::Split: return c.split;
        case FaultKind::Foreign: return c.foreign;
    }
    return 0;
}

// Section contents as the drive holds them, cut or padded to `count` words.
std::vector<uint16_t> Words(const sim::DriveDescription& d, const char* content, size_t from, size_t count) {
    std::vector<uint16_t> words(count, 0);
    const auto it = d.contents.find(content);
    if (it != d.contents.end())
        for (size_t i = 0; i < count && from + i < it->second.size(); ++i) words[i] = it->second[from + i];
    return words;
}

}  // namespace

const char* FaultName(FaultKind kind) {
    switch (kind) {
        case FaultKind::Noise: return "noise";
        case FaultKind::BadCrc: return "bad CRC";
        case FaultKind::BadCheck: return "bad packet check";
        case FaultKind::Dropped: return "dropped";
        case FaultKind::Late: return "late";
        case FaultKind::Split: return "split";
        case FaultKind::Foreign: return "foreign";
    }
    return "?";
}

FaultMatrix::FaultMatrix(const std::filesystem::path& workDir) : m_dir(workDir) {
    std::filesystem::create_directories(m_dir);
    m_shipped = sim::DriveDescription::FromJson(std::string(sim::DefaultDriveJson()));
    m_shipped.readyDelayMs = 0;  // the rig's clock only pretends to wait
    // The drive the downloads write over differs from the image in every
    // parameter value and every word of its sections.
    m_target = m_shipped;
    for (auto& group : m_target.groups)
        for (auto& item : group.items)
            for (auto& value : item.values) value ^= 1;
    for (auto& [name, words] : m_target.contents) words.assign(words.size(), 0x5A5A);

    // The full image: the clean upload's parameters, sizes, DH and MH, with
    // the DV, Auto DV and Program parts of the shipped drive added.
    const auto upload = m_dir / "clean-upload.tkw";
    if (Run(true, FaultKind::Noise, 0, 1).finished == false) throw std::runtime_error("clean upload failed");
    m_cleanUpload = FileBytes(upload);
    CCfgExchange cfg;
    CParaMgr mgr;
    cfg.ParaMgr = &mgr;
    CDevInfo info;
    if (!ReadImageFile(FromUtf8(upload.string()), info, cfg).ok()) throw std::runtime_error("clean upload unreadable");
    const auto size = [&](const char* name) { return static_cast<size_t>(m_shipped.sections.at(name)); };
    cfg.IncludeProgramDV = 1;
    cfg.DVData = Words(m_shipped, "DV", 0, size("ActualDV"));
    cfg.AutoDVData = Words(m_shipped, "DV", size("AutoDVStart"), size("ActualAutoDV"));
    cfg.SectionP_Size.image = m_shipped.sections.at("Program");
    cfg.ProgramData = Words(m_shipped, "Program", 0, size("Program"));
    m_image = m_dir / "full.tkw";
    if (!WriteImageFile(FromUtf8(m_image.string()), info, cfg)) throw std::runtime_error("full image not written");
    if (!Run(false, FaultKind::Noise, 0, 1).finished) throw std::runtime_error("clean download failed");
}

TransferOutcome FaultMatrix::Upload(FaultKind kind, double percent, uint32_t seed) {
    return Run(true, kind, percent, seed);
}

TransferOutcome FaultMatrix::Download(FaultKind kind, double percent, uint32_t seed) {
    return Run(false, kind, percent, seed);
}

TransferOutcome FaultMatrix::Run(bool upload, FaultKind kind, double percent, uint32_t seed) {
    const bool clean = upload ? m_cleanUpload.empty() : m_cleanDrive.empty();
    auto model = std::make_shared<sim::ServoDrive>(upload ? m_shipped : m_target);
    sim::VirtualDrive drive(m_shipped.station, model);
    TransferOutcome outcome;
    WorkflowRig rig(drive.Path(), m_dir);
    if (!rig.Connect()) {
        outcome.message = "did not connect";
        return outcome;
    }
    drive.ClearRequests();
    drive.SetFaults(sim::Faults{.lateByMs = kLateByMs});
    drive.SetFaultRates(RatesFor(kind, percent, seed));
    const auto target = m_dir / (clean ? "clean-upload.tkw" : "upload.tkw");
    std::filesystem::remove(target);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> log = upload ? rig.Upload(target) : rig.Download(m_image);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    drive.SetFaultRates({});

    outcome.faults = Injected(drive.FaultsInjected(), kind);
    const size_t requests = drive.Requests().size();
    size_t& cleanRequests = m_cleanRequests[upload ? 0 : 1];
    if (clean) cleanRequests = requests;
    outcome.finished = !log.empty() && log.back() == "Finished!";
    outcome.retries = outcome.finished ? static_cast<int>(requests) - static_cast<int>(cleanRequests) : -1;
    const std::vector<std::string> boxes = rig.TakeBoxes();
    if (!boxes.empty()) outcome.message = boxes.front();
    outcome.saidWhy = !boxes.empty() || (!log.empty() && log.back() == "Fail!");
    if (!outcome.finished && log.size() >= 2) outcome.stage = log[log.size() - 2];
    if (upload) {
        outcome.exact = outcome.finished && (clean || FileBytes(target) == m_cleanUpload);
    } else {
        const std::string state = sim::ToJson(sim::SnapshotOf(*model));
        if (clean) m_cleanDrive = state;
        outcome.exact = outcome.finished && state == m_cleanDrive;
    }
    return outcome;
}

}  // namespace tarn::test
