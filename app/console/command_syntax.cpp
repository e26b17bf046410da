#include "app/console/command_syntax.h"

namespace tarn::console {

namespace {

struct Subcommand {
    const char* name;
    const char* synopsis;
    const char* description;
};

const Subcommand kSubcommands[] = {
    {"ports", "tarn ports [--all] [--json]", "List the serial ports with the numbers --port takes"},
    {"info", "tarn info --port PORT [--station TEXT] [--json] [--trace FILE]",
     "Connect as the Online button does and show the drive's identity and versions"},
    {"upload",
     "tarn upload OUT.tkw --port PORT [--station TEXT] [--no-dh] [--no-mh] [--no-para] [--yes] "
     "[--json] [--quiet] [--trace FILE]",
     "Read the drive into a new image file, as \"Generate *.tkw\" does"},
    {"download",
     "tarn download IMAGE.tkw --port PORT [--port PORT ...] [--station TEXT] [--no-program] "
     "[--no-dh] [--no-mh]"
     " [--no-para] [--yes] [--verify] [--snapshot FILE] [--json] [--quiet] [--trace FILE]",
     "Write an image file into the drive, as Download does; with several ports into every drive at "
     "once"},
    {"compare", "tarn compare IMAGE.tkw --port PORT [--station TEXT] [--json] [--quiet] [--trace FILE]",
     "List every difference between an image file and what the drive holds"},
    {"diff", "tarn diff A.tkw B.tkw [--json]", "List every difference between two image files"},
    {"history", "tarn history [--json] [--last N]",
     "Show the service history: every transfer of this user, newest first"},
    {"inspect", "tarn inspect IMAGE.tkw [--json]", "Show what an image file holds"},
    {"param", "tarn param list|get|set ... --port PORT (tarn param COMMAND --help)",
     "Read, check and write single parameters of the drive"},
    {"param list", "tarn param list --port PORT [--station TEXT] [--group G] [--changed] [--json]",
     "List the drive's parameters: values per axis, default, limits, kind, whether a download writes them"},
    {"param get", "tarn param get ITEM... --port PORT [--station TEXT] [--axis x|y|z|all] [--json]",
     "Show parameters (P1-02) of the drive on every axis, or one"},
    {"param set", "tarn param set ITEM=VALUE... --port PORT [--station TEXT] [--axis x|y|z|all] [--yes]",
     "Check every pair against its item, then write each as the parameter download does and read it back"},
    {"sim",
     "tarn sim [DRIVE.json] [--link PATH] [--state FILE] [--station N] [--ascii] [--baud RATE] "
     "[fault options]",
     "Serve a virtual drive on a pseudo-terminal until interrupted"},
};

const char* const kPortHelp =
    "The drive's serial port: a device path (with a '/') or a port number as `tarn ports` lists it";
const char* const kStationHelp =
    "The station field's text, read as the dialog reads it (default: the station the dialog starts "
    "with)";
const char* const kCountHelp = " (N: a count of replies, or 'all')";

// The synopsis stands where CLI11 puts its generated usage line.
class Formatter : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        return "usage: " + Synopsis(app->get_parent() ? CommandName(*app) : std::string()) + "\n";
    }
};

CLI::App* Add(CLI::App& app, const char* name) {
    const std::string full = app.get_parent() ? app.get_name() + " " + name : name;
    for (const Subcommand& s : kSubcommands)
        if (full == s.name) return app.add_subcommand(name, s.description);
    throw std::logic_error("no synopsis for " + full);
}

// The help text goes in as a std::string: CLI11 would take a char pointer for
// a variable to fill.
// A flag takes no "=value" (CLI11 would read --json=no as given).
CLI::Option* Flag(CLI::App* c, const char* name, const std::string& help) {
    return c->add_flag(name, help)->disable_flag_override();
}
CLI::Option* Value(CLI::App* c, const char* name, const char* type, const std::string& help) {
    return c->add_option(name, help)->type_name(type);
}
CLI::Option* Argument(CLI::App* c, const char* name, const std::string& help) {
    return c->add_option(name, help);
}
CLI::Option* Port(CLI::App* c) {
    return Value(c, "--port", "PORT", kPortHelp)->required();
}
void Station(CLI::App* c) {
    Value(c, "--station", "TEXT", kStationHelp);
}
void Json(CLI::App* c, const char* what) {
    Flag(c, "--json", what);
}
void Result(CLI::App* c) {
    Flag(c, "--json",
         "Print one result document (port, station, result, per-stage timings) instead of the log, "
         "which goes to stderr");
}
void Quiet(CLI::App* c) {
    Flag(c, "--quiet", "Print only the summary and what failed: no log lines, no progress bar");
}
void Trace(CLI::App* c) {
    Value(c, "--trace", "FILE",
          "Write every byte on the line to FILE: time in microseconds, direction, bytes and the "
          "decoded frame");
}
void Count(CLI::App* c, const char* name, const std::string& help) {
    Value(c, name, "N", help + kCountHelp);
}

void DescribeParamCommands(CLI::App* param) {
    param->require_subcommand(1);
    const char* axisHelp = "The axis: x, y, z or all (default: every axis of the drive)";
    CLI::App* list = Add(*param, "list");
    Port(list);
    Station(list);
    Value(list, "--group", "G", "Only group G (P1-xx: 1)")->check(CLI::Range(-64, 64));
    Flag(list, "--changed", "Only items whose value differs from the default on some axis");
    Json(list, "Print the items as one JSON array");

    CLI::App* get = Add(*param, "get");
    Argument(get, "ITEM", "An item as the drive names it, P1-02")->required()->expected(1, CLI::detail::expected_max_vector_size)->allow_extra_args();
    Port(get);
    Station(get);
    Value(get, "--axis", "AXIS", axisHelp)->check(CLI::IsMember({"x", "y", "z", "all"}));
    Json(get, "Print the items as one JSON array");

    CLI::App* set = Add(*param, "set");
    Argument(set, "ITEM=VALUE", "An item and its new value as the item shows it: 12, 0x001A, 12.5")
        ->required()
        ->expected(1, CLI::detail::expected_max_vector_size)->allow_extra_args();
    Port(set);
    Station(set);
    Value(set, "--axis", "AXIS", "The axis to write: x, y, z or all; required on a drive of several axes")
        ->check(CLI::IsMember({"x", "y", "z", "all"}));
    Flag(set, "--yes", "Write without asking (off a terminal nothing is written without it)");
}

}  // namespace

std::string CommandName(const CLI::App& app) {
    const CLI::App* parent = app.get_parent();
    return parent && parent->get_parent() ? parent->get_name() + " " + app.get_name() : app.get_name();
}

std::string Synopsis(const std::string& command) {
    for (const Subcommand& s : kSubcommands)
        if (command == s.name) return s.synopsis;
    return "tarn COMMAND [ARGUMENTS] [OPTIONS]   (tarn COMMAND --help shows every option)";
}

void DescribeCommands(CLI::App& app) {
    app.formatter(std::make_shared<Formatter>());
    app.require_subcommand(1);
    app.footer(
        "Exit status: 0 done, 1 failed (the reason is on stderr), 2 usage error;\n"
        "compare and diff: 0 the same, 1 different, 3 not compared (a drive or image that does not "
        "read).\n"
        "The profile (remembered port and station) is the desktop tool's; TARN_PROFILE names "
        "another file.");

    CLI::App* ports = Add(app, "ports");
    Flag(ports, "--all", "Also list the ports whose bridge does not suit the drive");
    Json(ports, "Print the list as one JSON array");

    CLI::App* info = Add(app, "info");
    Port(info);
    Station(info);
    Json(info, "Print the identity as one JSON document");
    Trace(info);

    CLI::App* upload = Add(app, "upload");
    Argument(upload, "OUT.tkw", "The image file to write")->required();
    Port(upload);
    Station(upload);
    Flag(upload, "--no-dh", "Untick DH: leave the DH section out");
    Flag(upload, "--no-mh", "Untick MH: leave the MH section out");
    Flag(upload, "--no-para", "Untick Parameter: leave the parameters out");
    Flag(upload, "--yes", "Answer every question Yes, also whether to replace an existing OUT.tkw");
    Result(upload);
    Quiet(upload);
    Trace(upload);

    CLI::App* download = Add(app, "download");
    Argument(download, "IMAGE.tkw", "The image file to write into the drive")->required();
    Port(download)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->description(std::string(kPortHelp) +
                      "; more than once: every drive at once, each in a process of its own");
    Station(download);
    Flag(download, "--no-program", "Untick \"Program / DV / All section size\"");
    Flag(download, "--no-dh", "Untick \"Section_DH\": leave the DH section as it is");
    Flag(download, "--no-mh", "Untick \"Section_MH\": leave the MH section as it is");
    Flag(download, "--no-para", "Untick \"Parameter\": leave the parameters as they are");
    Flag(download, "--yes", "Answer every question Ok / Yes without asking");
    Flag(download, "--verify",
         "After \"Finished!\", read back what was written and compare it; any difference fails the "
         "download");
    Value(download, "--snapshot", "FILE",
          "Before the first write, read the drive as an upload does and save it to FILE (the way "
          "back: download FILE); when that fails nothing is written. One drive only");
    Result(download);
    Quiet(download);
    Trace(download);
    // A clone's child hands its result document to the clone on this descriptor.
    Value(download, "--result-fd", "FD", "")->check(CLI::Range(0, 65535))->group("");

    CLI::App* compare = Add(app, "compare");
    Argument(compare, "IMAGE.tkw", "The image file to compare the drive with")->required();
    Port(compare);
    Station(compare);
    Json(compare, "Print one result document with the differences");
    Quiet(compare);
    Trace(compare);

    CLI::App* diff = Add(app, "diff");
    Argument(diff, "A.tkw", "The first image file")->required();
    Argument(diff, "B.tkw", "The second image file")->required();
    Json(diff, "Print one document with the differences");

    CLI::App* history = Add(app, "history");
    Json(history, "Print the records as one JSON array");
    Value(history, "--last", "N", "Only the newest N records")->check(CLI::Range(1, 1000000));

    CLI::App* inspect = Add(app, "inspect");
    Argument(inspect, "IMAGE.tkw", "The image file to show")->required();
    Json(inspect, "Print one JSON document (its fields are only ever added to)");

    DescribeParamCommands(Add(app, "param"));

    CLI::App* sim = Add(app, "sim");
    Argument(sim, "DRIVE.json",
             "The drive description to serve (default: the shipped default drive)");
    Value(sim, "--link", "PATH", "Make PATH a symbolic link to the pseudo-terminal");
    Value(sim, "--state", "FILE", "On exit, save the drive as it is left as a drive description");
    Value(sim, "--station", "N", "Answer as station N (1 to 247) instead of the description's");
    Flag(sim, "--ascii", "Speak Modbus ASCII instead of RTU");
    Value(sim, "--baud", "RATE", "Pace the replies as a line at RATE baud would (11 bits a byte)");
    Value(sim, "--turnaround-us", "US", "With --baud: the drive's turnaround in microseconds");
    Value(sim, "--ready-delay-ms", "MS",
          "How long the drive stays busy after the run step that follows a download");
    Flag(sim, "--hold-ready", "The drive never reports ready after a download");
    Count(sim, "--drop", "Send no answer to the next N requests");
    Count(sim, "--late", "Answer the next N requests --late-ms late");
    Value(sim, "--late-ms", "MS", "How late --late answers (alone: every answer)");
    Count(sim, "--bad-crc", "Spoil the frame CRC of the next N replies");
    Count(sim, "--bad-check", "Spoil the packet check of the next N replies");
    Count(sim, "--foreign", "Send a packet of another type before the next N replies");
    Count(sim, "--noise", "Send noise before the next N replies");
    Count(sim, "--split", "Send the next N replies in pieces");
    Value(sim, "--lose-blocks", "N",
          "Acknowledge the next N block writes (0xF5) as stored, but keep nothing of them (N: a "
          "count, or 'all')");
    Value(sim, "--misstore", "REG=VALUE",
          "Take writes to register REG (0x0204) but keep VALUE in it, as a drive that changes a value does");
    Value(sim, "--vanish-after", "N",
          "Answer N requests, then go off the line as a pulled bridge does (the device path goes away)");
}

}  // namespace tarn::console
