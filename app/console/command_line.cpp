#include "app/console/command_line.h"

#include <algorithm>

namespace tarn::console {

namespace {

struct Syntax {
    const char* name;
    const char* usage;
    size_t minArguments;
    size_t maxArguments;
    std::set<std::string> flags;
    std::set<std::string> values;
    std::set<std::string> required;
};

const std::vector<Syntax>& Commands() {
    static const std::vector<Syntax> kCommands = {
        {"ports", "tarn ports    [--all] [--json]", 0, 0, {"--all", "--json"}, {}, {}},
        {"info", "tarn info     --port PORT [--station TEXT] [--json]", 0, 0, {"--json"},
         {"--port", "--station"}, {"--port"}},
        {"upload", "tarn upload   OUT.tkw --port PORT [--station TEXT] [--no-dh] [--no-mh] [--no-para]", 1, 1,
         {"--no-dh", "--no-mh", "--no-para"}, {"--port", "--station"}, {"--port"}},
        {"download",
         "tarn download IMAGE.tkw --port PORT [--station TEXT] [--no-program] [--no-dh] [--no-mh]\n"
         "              [--no-para] [--yes]",
         1, 1, {"--no-program", "--no-dh", "--no-mh", "--no-para", "--yes"}, {"--port", "--station"},
         {"--port"}},
        {"inspect", "tarn inspect  IMAGE.tkw [--json]", 1, 1, {"--json"}, {}, {}},
        {"sim",
         "tarn sim      [DRIVE.json] [--link PATH] [--state FILE] [--station N] [--ascii]\n"
         "              [--baud RATE] [--turnaround-us US] [--ready-delay-ms MS] [--hold-ready]\n"
         "              [--drop N] [--late N] [--late-ms MS] [--bad-crc N] [--bad-check N]\n"
         "              [--foreign N] [--noise N] [--split N]   (N: a count of replies, or 'all')\n"
         "              [--vanish-after N]   (answers N requests, then goes off the line)",
         0, 1, {"--ascii", "--hold-ready"},
         {"--link", "--state", "--station", "--baud", "--turnaround-us", "--ready-delay-ms", "--drop", "--late",
          "--late-ms", "--bad-crc", "--bad-check", "--foreign", "--noise", "--split", "--vanish-after"},
         {}},
    };
    return kCommands;
}

}  // namespace

std::optional<std::string> CommandLine::Value(const std::string& option) const {
    auto it = values.find(option);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::string Usage(const std::string& command) {
    std::string text = "usage:\n";
    for (const Syntax& s : Commands())
        if (command.empty() || command == s.name) text += "  " + std::string(s.usage) + "\n";
    if (command.empty() || (command != "sim" && command != "inspect"))
        text += "PORT: a device path (with a '/') or a port number as `tarn ports` lists it.\n";
    return text;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    if (argc < 2) throw UsageError{"no command given"};
    CommandLine line;
    line.command = argv[1];
    auto syntax = std::find_if(Commands().begin(), Commands().end(),
                               [&](const Syntax& s) { return line.command == s.name; });
    if (syntax == Commands().end()) throw UsageError{"unknown command '" + line.command + "'"};
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            line.arguments.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (auto eq = word.find('='); eq != std::string::npos) {
            inlineValue = word.substr(eq + 1);
            word.resize(eq);
        }
        if (syntax->flags.count(word)) {
            if (inlineValue) throw UsageError{word + " takes no value"};
            line.flags.insert(word);
        } else if (syntax->values.count(word)) {
            if (!inlineValue && i + 1 >= argc) throw UsageError{word + " needs a value"};
            line.values[word] = inlineValue ? *inlineValue : argv[++i];
        } else {
            throw UsageError{"unknown option " + word + " for " + line.command};
        }
    }
    if (line.arguments.size() < syntax->minArguments) throw UsageError{"missing argument for " + line.command};
    if (line.arguments.size() > syntax->maxArguments)
        throw UsageError{"unexpected argument '" + line.arguments[syntax->maxArguments] + "'"};
    for (const std::string& option : syntax->required)
        if (!line.values.count(option)) throw UsageError{line.command + " needs " + option};
    return line;
}

}  // namespace tarn::console
