#include "app/console/drive_command.h"

#include <unistd.h>

#include <memory>
#include <stdexcept>

#include "app/console/console_io.h"
#include "app/console/session.h"
#include "link/line_trace.h"
#include "platform/wide_string.h"

namespace tarn::console {

int RunDriveCommand(const CommandLine& line, IProfile& profile) {
    const std::string port = *line.Value("--port");
    ConsoleIo io(stdout, stderr, STDIN_FILENO, line.Has("--yes"));
    // The trace outlives the session, whose link shows it every byte.
    std::unique_ptr<LineTrace> trace;
    if (auto file = line.Value("--trace")) {
        try {
            trace = std::make_unique<LineTrace>(*file, port);
        } catch (const std::runtime_error& e) {
            io.Error(e.what());
            return 1;
        }
    }
    UploadChoice upload{line.Has("--no-dh"), line.Has("--no-mh"), line.Has("--no-para"), std::nullopt};
    if (line.command == "upload") upload.target = FromUtf8(line.arguments[0]);
    Session session(profile, io, upload);
    session.Dialog().m_Link.SetLineTap(trace.get());
    if (!session.Connect({port, line.Value("--station")})) return 1;
    if (line.command == "info") return session.Info(line.Has("--json"));
    if (line.command == "upload") return session.Upload();
    DownloadChoice choice{line.Has("--no-program"), line.Has("--no-dh"), line.Has("--no-mh"), line.Has("--no-para")};
    return session.Download(line.arguments[0], choice);
}

}  // namespace tarn::console
