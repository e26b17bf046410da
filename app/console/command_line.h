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
    std::set<std::string> flags;                 // "--json", "--yes", ...
    std::map<std::string, std::string> values;   // "--port" -> "/dev/pts/3"

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

struct UsageError {
    std::string reason;
};

// Throws UsageError. argv[0] is the program.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text of one subcommand, or of all when `command` is empty.
std::string Usage(const std::string& command = {});

}  // namespace tarn::console
