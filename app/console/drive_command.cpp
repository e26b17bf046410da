#include "app/console/drive_command.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/console/json_text.h"
#include "app/console/clone_command.h"
#include "app/console/console_io.h"
#include "app/console/drive_comparison.h"
#include "app/console/identity_report.h"
#include "app/console/output_target.h"
#include "app/console/run_record.h"
#include "app/console/session.h"
#include "app/console/stopped_write.h"
#include "app/console/trace_target.h"
#include "app/console/write_target.h"
#include "platform/wide_string.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;

// Where a run's output goes: straight to stdout and stderr, or through a
// record of it when a result document is asked for (--json prints it instead
// of the log, which then goes to stderr; --result-fd writes it to a
// descriptor as well, for the clone that started this run).
class Output {
public:
    explicit Output(const CommandLine& line) : m_json(line.Has("--json")) {
        if (auto fd = line.Value("--result-fd")) m_resultFd = std::stoi(*fd);
        // --quiet with --json: the log still makes the document's stages, it is only not shown.
        if (m_json)
            m_record = std::make_unique<RunRecord>(line.Has("--quiet") ? nullptr : stderr, stderr);
        else if (m_resultFd >= 0)
            m_record = std::make_unique<RunRecord>(stdout, stderr);
    }
    bool Json() const { return m_json; }
    std::FILE* Log() { return m_record ? m_record->Log() : stdout; }
    std::FILE* Messages() { return m_record ? m_record->Messages() : stderr; }
    void Connected() {
        if (m_record) m_record->Connected();
    }
    // Ends the run: the result document, when one was asked for.
    int Finish(const CommandLine& line, const std::string& port, const ordered_json& station,
               const std::string& result, const ordered_json* comparison, int status) {
        if (!m_record) return status;
        ordered_json entry = m_record->PortEntry(port, station, result);
        if (comparison) entry.update(*comparison);
        ordered_json document = {
            {"command", line.command},
            {"image", line.arguments.empty() ? ordered_json() : ordered_json(line.arguments[0])},
            {"result", result},
            {"seconds", entry["seconds"]},
            {"ports", ordered_json::array({entry})}};
        const std::string text = JsonText(document) + "\n";
        if (m_json) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        }
        if (m_resultFd >= 0 && ::write(m_resultFd, text.data(), text.size()) < 0) return 1;
        return status;
    }

private:
    bool m_json;
    int m_resultFd = -1;
    std::unique_ptr<RunRecord> m_record;
};

// While it lives, a command that ends at once on a signal first clears the
// port's exclusive flag.
class PortRelease {
public:
    PortRelease(StopSignals* signals, CHCT_COMM& link) : m_signals(signals) {
        if (m_signals) m_signals->SetEndHandler([&link] { link.ReleaseExclusive(); });
    }
    ~PortRelease() {
        if (m_signals) m_signals->SetEndHandler(nullptr);
    }
    PortRelease(const PortRelease&) = delete;
    PortRelease& operator=(const PortRelease&) = delete;

private:
    StopSignals* m_signals;
};

}  // namespace

int RunDriveCommand(const CommandLine& line, IProfile& profile, StopSignals* signals) {
    if (line.command == "download" && line.Values("--port").size() > 1) {
        if (line.Value("--snapshot")) {
            std::fputs("tarn: --snapshot takes one drive: give one --port\n", stderr);
            return 2;
        }
        return RunClone(line, signals);
    }
    const bool compare = line.command == "compare";
    const int unread = compare ? 3 : 1;  // the status when the drive could not be reached or read
    const std::string port = *line.Value("--port");
    Output output(line);
    ConsoleIo io(output.Log(), output.Messages(), STDIN_FILENO, line.Has("--yes"),
                 line.Has("--quiet") && !output.Json());
    auto finish = [&](const ordered_json& station, const std::string& result, int status,
                      const ordered_json* comparison = nullptr) {
        // info's document keeps its own shape when the drive was never reached.
        if (line.command == "info")
            return ReportIdentity({port, station.is_number() ? std::optional(station.get<int>()) : std::nullopt, nullptr,
                                   io.LastReason()},
                                  line.Has("--json"), io, false);
        return output.Finish(line, port, station, result, comparison, status);
    };

    std::unique_ptr<Configuration> image;
    if (compare && !(image = LoadImage(line.arguments[0], io)))
        return finish(nullptr, "unreadable", unread);
    const std::optional<std::string> imagePath =
        line.arguments.empty() ? std::nullopt : std::optional(line.arguments[0]);
    if (line.command == "upload")
        if (auto refused = RefusedImageTarget(*imagePath)) {
            io.Error(*refused);
            return finish(nullptr, "failed", 1);
        }
    // The trace outlives the session, whose link shows it every byte.
    std::optional<TraceTarget> trace;
    if (auto file = line.Value("--trace"))
        if (!trace.emplace(io, *file).Open(port, imagePath)) return finish(nullptr, "failed", unread);
    UploadChoice upload{line.Has("--no-dh"), line.Has("--no-mh"), line.Has("--no-para"),
                        std::nullopt};
    if (line.command == "upload") upload.target = FromUtf8(line.arguments[0]);
    Session session(profile, io, upload);
    session.Dialog().m_Link.SetLineTap(trace ? trace->Trace() : nullptr);
    // Ending at once (a signal) gives the port back first.
    PortRelease release(signals, session.Dialog().m_Link);
    if (!session.Connect({port, line.Value("--station")}))
        return finish(nullptr, "not connected", unread);
    output.Connected();
    const int station = session.Dialog().m_DevInst.GetStation();
    const WriteTarget target{port, line.Value("--station") ? std::optional(session.Dialog().m_nStation) : std::nullopt,
                             station, &session.Dialog().m_DriveInfo};
    if (!ConfirmStation(target, line.command == "download", io)) return finish(station, "failed", 1);
    if (line.command == "info") return session.Info(line.Has("--json"));
    if (line.command == "upload") {
        const int status = session.Upload();
        return finish(station, status == 0 ? "finished" : "failed", status);
    }

    DriveComparison comparison;
    try {
        if (compare) {
            comparison = CompareDrive(session, *image);
        } else {
            DownloadChoice choice{line.Has("--no-program"), line.Has("--no-dh"),
                                  line.Has("--no-mh"), line.Has("--no-para")};
            if (auto snapshot = line.Value("--snapshot"))
                session.Dialog().SetDownloadSafety({true, FsPath(FromUtf8(*snapshot)), false});
            std::fprintf(output.Messages(), "tarn: %s\n", TargetLine(target).c_str());
            CDeviceCmd* cmd = session.Dialog().m_CmdImpl.GetCmd();
            int status = 0;
            {
                StopScope stop(signals, [cmd](int) {
                    cmd->RequestStop();
                    std::fputs("tarn: stopping at the next point where the drive is in a defined state "
                               "(a second signal ends at once)\n", stderr);
                });
                status = session.Download(line.arguments[0], choice);
            }
            const CCfgExchange::WriteRecord& written = session.Dialog().Configuration().LastWrite();
            if (status != 0 && written.stopped) {
                const CParaMgr& para = session.Dialog().m_ParaMgr;
                io.Error(StoppedWriteText(written, para.ItemsWritten(), para.ItemsToWrite(), line.arguments[0]));
                return finish(station, "stopped", 1);
            }
            if (status != 0) return finish(station, "failed", 1);
            // The log ends with "Finished!" as the dialog's does; the user learns it was nothing.
            if (written.written.empty()) {
                io.Error("nothing was written: the image holds no part to write, or every part was left out");
                return finish(station, "nothing written", 1);
            }
            if (!line.Has("--verify")) return finish(station, "finished", 0);
            comparison = VerifyDownload(session);
        }
    } catch (const std::u16string& reason) {
        io.Error("the drive could not be read" + std::string(compare ? "" : " back") + ": " +
                 ToUtf8(reason));
        session.Dialog().RecordComparison(compare ? "compare" : "verify", FsPath(FromUtf8(line.arguments[0])),
                                          std::nullopt, reason);
        return finish(station, compare ? "unreadable" : "failed", unread);
    }
    const bool same = comparison.differences.empty();
    session.Dialog().RecordComparison(compare ? "compare" : "verify", FsPath(FromUtf8(line.arguments[0])),
                                      static_cast<int>(comparison.differences.size()), u"");
    if (!output.Json()) {
        const std::string text =
            RenderComparison(comparison, compare ? "The drive matches the image."
                                                 : "Verified: the drive holds what was written.");
        std::fputs(text.c_str(), stdout);  // the command's own output, no log line
        std::fflush(stdout);
    }
    if (!same && !compare) io.Error("the drive does not hold what was written");
    const ordered_json fields = ComparisonFields(comparison);
    if (compare) return finish(station, same ? "match" : "differs", same ? 0 : 1, &fields);
    return finish(station, same ? "finished" : "differs", same ? 0 : 1, &fields);
}

}  // namespace tarn::console
