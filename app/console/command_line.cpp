#include "app/console/command_line.h"

#include "app/console/command_syntax.h"
#include "app/console/nearest_word.h"

namespace tarn::console {

namespace {

std::string Version() {
    return std::to_string(TARN_VERSION_MAJOR) + "." + std::to_string(TARN_VERSION_MINOR) + "." +
           std::to_string(TARN_VERSION_PATCH);
}

std::vector<std::string> SubcommandNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names.push_back(sub->get_name());
    return names;
}

std::vector<std::string> OptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options())
        if (!option->get_group().empty())  // hidden ones are not offered
            for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

std::string Hint(const std::string& word, const std::vector<std::string>& candidates) {
    const auto nearest = NearestWord(word, candidates);
    return nearest ? "; did you mean '" + *nearest + "'?" : "";
}

// What CLI11 left over: an unknown subcommand or option, or an argument too many.
UsageError Leftover(const CLI::App& app, const CLI::App* sub) {
    if (!sub) {
        const std::string word = app.remaining().front();
        if (word.rfind("-", 0) == 0)
            return {"unknown option " + word + Hint(word, OptionNames(app)), ""};
        return {"unknown command '" + word + "'" + Hint(word, SubcommandNames(app)), ""};
    }
    const std::string word = sub->remaining().front();
    const std::string command = CommandName(*sub);
    if (word.rfind("-", 0) == 0 && word.size() > 1)
        return {"unknown option " + word + " for " + command +
                    Hint(word.substr(0, word.find('=')), OptionNames(*sub)),
                command};
    return {"unexpected argument '" + word + "'", command};
}

CommandLine Collect(const CLI::App& sub) {
    CommandLine line;
    line.command = CommandName(sub);
    for (const CLI::Option* option : sub.get_options()) {
        if (option->count() == 0 || (option->get_lnames().empty() && !option->get_positional()))
            continue;
        if (option->get_lnames().empty()) {
            line.arguments.insert(line.arguments.end(), option->results().begin(),
                                  option->results().end());
        } else if (option->get_expected_max() == 0) {
            line.flags.insert("--" + option->get_lnames().front());
        } else {
            auto& values = line.values["--" + option->get_lnames().front()];
            values.insert(values.end(), option->results().begin(), option->results().end());
        }
    }
    return line;
}

}  // namespace

std::optional<std::string> CommandLine::Value(const std::string& option) const {
    auto it = values.find(option);
    if (it == values.end() || it->second.empty()) return std::nullopt;
    return it->second.back();
}

std::vector<std::string> CommandLine::Values(const std::string& option) const {
    auto it = values.find(option);
    return it == values.end() ? std::vector<std::string>{} : it->second;
}

std::string VersionText() {
    return "tarn " + Version() + "\n";
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CLI::App app(
        "TarnToolkit on the command line: a servo drive's configuration between the drive and "
        "image files",
        "tarn");
    DescribeCommands(app);
    app.set_version_flag("--version", Version(), "Print the version and exit");
    // Left-over words are looked at here, so that a slip gets a suggestion.
    app.allow_extras();
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) {
        sub->allow_extras();
        for (CLI::App* nested : sub->get_subcommands([](CLI::App*) { return true; })) nested->allow_extras();
    }

    // The subcommand given, down to a nested one ("param set").
    auto selected = [&app]() -> const CLI::App* {
        auto parsed = app.get_subcommands();
        if (parsed.empty()) return nullptr;
        const CLI::App* sub = parsed.front();
        while (!sub->get_subcommands().empty()) sub = sub->get_subcommands().front();
        return sub;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        throw TextRequested{app.help()};
    } catch (const CLI::CallForAllHelp&) {
        throw TextRequested{app.help("", CLI::AppFormatMode::All)};
    } catch (const CLI::CallForVersion&) {
        throw TextRequested{VersionText()};
    } catch (const CLI::ParseError& e) {
        // An unknown word explains a missing option better than the missing option does.
        const CLI::App* sub = selected();
        if (!(sub ? sub->remaining() : app.remaining()).empty()) throw Leftover(app, sub);
        if (!sub) throw UsageError{"no command given", ""};
        throw UsageError{e.what(), CommandName(*sub)};
    }
    const CLI::App* sub = selected();
    if (!app.remaining().empty() || !sub->remaining().empty())
        throw Leftover(app, app.remaining().empty() ? sub : nullptr);
    return Collect(*sub);
}

std::string UsageErrorText(const UsageError& error) {
    const std::string help =
        error.command.empty() ? "tarn --help" : "tarn " + error.command + " --help";
    return "tarn: " + error.reason + "\nusage: " + Synopsis(error.command) + "\n" + help +
           " lists every option.\n";
}

}  // namespace tarn::console
