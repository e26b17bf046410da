#pragma once
// The `tarn` command line: a subcommand, its arguments and its options, each
// subcommand with the options it knows. Anything else is a usage error.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tarn::console {

struct CommandLine {
    std::string command;
    std::vector<std::string> arguments;
    std::set<std::string> flags;  // "--json", "--yes", ...
    std::map<std::string, std::vector<std::string>>
        values;  // "--port" -> every value given, in order

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    // The value of an option given once (the last one when given more often).
    std::optional<std::string> Value(const std::string& option) const;
    std::vector<std::string> Values(const std::string& option) const;
};

// A command line that does not parse. `command`: the subcommand it was for, if known.
struct UsageError {
    std::string reason;
    std::string command;
};

// `--help` or `--version`: the text to print on stdout, and nothing else to do.
struct TextRequested {
    std::string text;
};

// Throws UsageError or TextRequested. argv[0] is the program.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What stderr shows for a usage error: the reason, the subcommand's synopsis
// and where the help is.
std::string UsageErrorText(const UsageError& error);

// The version line `tarn --version` prints.
std::string VersionText();

}  // namespace tarn::console
