#pragma once
// The subcommands of `tarn`, their arguments and options with a line of help
// each, as one CLI11 application. Parsing and its errors are command_line.cpp's.
#include <CLI/CLI.hpp>
#include <string>

namespace tarn::console {

// The whole command line syntax; `tarn --help` and `tarn SUBCOMMAND --help`
// show it.
void DescribeCommands(CLI::App& app);

// The one-line synopsis of a subcommand ("tarn info --port PORT ..."), or of
// the command when `command` is empty or unknown.
std::string Synopsis(const std::string& command);

// A subcommand's name as the synopses know it: "info", or "param set" for a
// nested one.
std::string CommandName(const CLI::App& app);

}  // namespace tarn::console
