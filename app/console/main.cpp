// tarn: the service tool on the command line. It runs the same dialog logic as
// the desktop tool, with the dialogs' log on stdout and their messages on stderr.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "app/console/command_line.h"
#include "app/console/console_setup.h"
#include "app/console/console_io.h"
#include "app/console/diff_command.h"
#include "app/console/drive_command.h"
#include "app/console/history_command.h"
#include "app/console/image_report.h"
#include "app/console/param_command.h"
#include "app/console/ports_command.h"
#include "app/console/signals.h"
#include "app/console/sim_command.h"
#include "app/user_profile.h"

namespace {

using namespace tarn;
using namespace tarn::console;

int Run(int argc, char** argv) {
    CommandLine line;
    try {
        line = ParseCommandLine(argc, argv);
        if (line.command == "sim") {
            BlockStopSignals();
            return RunSimulator(line);
        }
    } catch (const TextRequested& text) {
        std::fputs(text.text.c_str(), stdout);
        return 0;
    } catch (const UsageError& e) {
        std::fputs(UsageErrorText(e).c_str(), stderr);
        return 2;
    }
    if (line.command == "diff") return RunDiff(line.arguments[0], line.arguments[1], line.Has("--json"));
    if (line.command == "history") {
        const auto last = line.Value("--last");
        return ShowHistory(line.Has("--json"), last ? std::optional<int>(std::stoi(*last)) : std::nullopt);
    }
    if (line.command == "inspect") {
        ConsoleIo io(stdout, stderr, STDIN_FILENO, false);
        return Inspect(line.arguments[0], line.Has("--json"), io);
    }
    std::unique_ptr<IProfile> profile = OpenUserProfile();
    if (line.command.starts_with("param ")) return RunParamCommand(line, *profile);
    if (line.command == "ports") return ListPorts(*profile, line.Has("--all"), line.Has("--json"));
    StopSignals signals;  // before the link's threads, which inherit its signal mask
    return RunDriveCommand(line, *profile, &signals);
}

}  // namespace

int main(int argc, char** argv) {
    // No exception leaves the command: it would end it without a word, and
    // without giving the port back.
    try {
        PrepareConsole();
        std::vector<std::string> args = CommandArguments(argc, argv);
        std::vector<char*> pointers;
        for (std::string& arg : args) pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        return Run(static_cast<int>(args.size()), pointers.data());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarn: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tarn: an unexpected failure\n");
    }
    return 1;
}
