#include "app/console/clone_command.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "app/console/json_text.h"
#include "app/console/child_runs.h"

namespace tarn::console {

namespace {

using nlohmann::ordered_json;

// The child's command line: this one, for one port. Several drives cannot
// share a terminal for questions, so a child asks none (--yes answers them).
std::vector<std::string> ChildArgs(const CommandLine& line, const std::string& port, size_t index) {
    std::vector<std::string> args = {"download", line.arguments[0], "--port",
                                     port,       "--result-fd",     "3"};
    if (auto station = line.Value("--station")) args.insert(args.end(), {"--station", *station});
    for (const char* flag :
         {"--no-program", "--no-dh", "--no-mh", "--no-para", "--yes", "--verify"})
        if (line.Has(flag)) args.push_back(flag);
    // One trace per drive: FILE.1, FILE.2, ... in the order of the ports.
    if (auto trace = line.Value("--trace"))
        args.insert(args.end(), {"--trace", *trace + "." + std::to_string(index + 1)});
    return args;
}

// The child's own entry from its result document, or what its end says.
ordered_json EntryOf(const ChildRun& run, const std::string& port, double seconds) {
    try {
        const ordered_json document = ordered_json::parse(run.result);
        return document.at("ports").at(0);
    } catch (const std::exception&) {
    }
    return {{"port", port}, {"station", nullptr}, {"result", "failed"}, {"seconds", seconds}};
}

std::string Table(const ordered_json& entries) {
    std::string text = "\n";
    char row[512];
    std::snprintf(row, sizeof row, "%-24s %7s  %-13s %8s\n", "port", "station", "result",
                  "seconds");
    text += row;
    for (const auto& e : entries) {
        const std::string station = e["station"].is_null() ? "-" : e["station"].dump();
        std::snprintf(row, sizeof row, "%-24s %7s  %-13s %8.1f\n",
                      e["port"].get<std::string>().c_str(), station.c_str(),
                      e["result"].get<std::string>().c_str(), e["seconds"].get<double>());
        text += row;
    }
    return text;
}

}  // namespace

int RunClone(const CommandLine& line, StopSignals* signals) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<std::string> ports = line.Values("--port");
    const bool json = line.Has("--json");
    std::vector<ChildRun> runs;
    for (size_t i = 0; i < ports.size(); ++i) {
        runs.emplace_back();
        runs.back().args = ChildArgs(line, ports[i], i);
    }
    // With --json stdout carries the document alone; the log goes to stderr.
    // --quiet leaves the children's log out (they still write it: the clone
    // waits for their load lines) and keeps what they say on stderr.
    const bool quiet = line.Has("--quiet");
    auto show = [&](size_t run, ChildStream stream, const std::string& text) {
        if (quiet && stream == ChildStream::Out) return;
        std::FILE* to = stream == ChildStream::Err || json ? stderr : stdout;
        std::fprintf(to, "[%s] %s\n", ports[run].c_str(), text.c_str());
        std::fflush(to);
    };
    // An image file is opened for this process alone while it is read, so a
    // drive's download starts once the one before has loaded the image
    // ("Load ... ...finished!") or has ended; then they all write at once.
    auto loaded = [](const std::string& line) {
        return line.rfind("Load ", 0) == 0 && line.ends_with(" ...finished!");
    };
    ChildSignals children;
    bool started = false;
    {
        StopScope stop(signals, [&children](int signal) { children.Signal(signal); }, true);
        started = RunChildren(runs, show, loaded, &children);
    }
    if (!started)
        std::fprintf(stderr, "tarn: a download could not be started: %s\n", std::strerror(errno));

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ordered_json entries = ordered_json::array();
    bool all = started;
    for (size_t i = 0; i < runs.size(); ++i) {
        entries.push_back(EntryOf(runs[i], ports[i], seconds));
        all = all && runs[i].status == 0 && entries.back()["result"] == "finished";
    }
    if (json) {
        const ordered_json document = {{"command", "download"},
                                       {"image", line.arguments[0]},
                                       {"result", all ? "finished" : "failed"},
                                       {"seconds", std::round(seconds * 1000) / 1000},
                                       {"ports", entries}};
        std::printf("%s\n", JsonText(document).c_str());
    } else {
        std::fputs(Table(entries).c_str(), stdout);
    }
    std::fflush(stdout);
    return all ? 0 : 1;
}

}  // namespace tarn::console
