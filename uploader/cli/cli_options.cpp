#include "cli_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "device_link.h"

namespace brevalin::cli {

bool AllDigits(const std::string& text) {
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return !text.empty();
}

// A whole decimal number from `lowest` to `highest`.
bool ParseNumber(const std::string& text, std::uint32_t lowest, std::uint32_t highest,
                 std::uint32_t& value) {
    if (!AllDigits(text) || text.size() > 10) return false;
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (parsed < lowest || parsed > highest) return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

namespace {

constexpr std::uint32_t kLongestReconnectTimeout = 86400;

// Which commands an option is for.
enum CommandMask : unsigned {
    kOnInfo = 1,
    kOnList = 2,
    kOnFetch = 4,
    kOnExportAll = 8,
    kOnInstrument = kOnInfo | kOnList | kOnFetch | kOnExportAll,
};

struct CommandSpec {
    const char* name;
    Command command;
    unsigned mask;
    const char* arguments;
    const char* help;  // lines after the first are indented under it
};

const CommandSpec kCommands[] = {
    {"info", Command::kInfo, kOnInfo, "", "link, firmware version, serial number, library version"},
    {"list", Command::kList, kOnList, "", "the runs, newest first, with their indices"},
    {"fetch", Command::kFetch, kOnFetch, "[RUN]",
     "one report (RUN: index or name; newest run when absent)\n"
     "to -o FILE as Save to File writes it, or to standard output"},
    {"export-all", Command::kExportAll, kOnExportAll, "DIR",
     "every run's reports into DIR (or the settings file's folder);\n"
     "existing files are skipped"},
    {"help", Command::kHelp, 0, "[COMMAND]", "this text, or that command's usage"},
};

// One parse: the options being filled and what waits for the command.
struct Parse {
    Options& options;
    std::string typeText;
    bool help = false;
    bool version = false;
};

using Apply = bool (*)(Parse& parse, const std::string& value, std::string& error);

bool Keep(std::string& into, const std::string& value) {
    into = value;
    return true;
}

bool Set(bool& flag, bool value) {
    flag = value;
    return true;
}

struct OptionSpec {
    const char* name;
    char shortName;     // 0: none
    const char* value;  // what it takes; null for a flag
    unsigned commands;  // 0: stands instead of a command
    const char* help;
    Apply apply;
};

const OptionSpec kOptions[] = {
    {"--library", 0, "PATH", kOnInstrument,
     "load this QUILLSAN.DLL instead of the one beside the program",
     [](Parse& p, const std::string& v, std::string&) { return Keep(p.options.library, v); }},
    {"--link", 0, "LINK", kOnInstrument,
     "usb (default), a serial port COM1 to COM4294967295 as COMn or\n"
     "COMn:baud (9600 baud when none is given), or its device path,\n"
     "e.g. /dev/ttyUSB0 or /dev/serial/by-id/...",
     [](Parse& p, const std::string& v, std::string& e) {
         return ParseLink(v, p.options.link, e);
     }},
    {"--type", 0, "TYPE", kOnFetch | kOnExportAll,
     "validation (fetch's default), run, or both (export-all's default)",
     [](Parse& p, const std::string& v, std::string&) { return Keep(p.typeText, v); }},
    {"--output", 'o', "FILE", kOnFetch,
     "write the report to FILE (CR LF line ends, degree sign as 0xB0)",
     [](Parse& p, const std::string& v, std::string&) { return Keep(p.options.output, v); }},
    {"--force", 0, nullptr, kOnFetch | kOnExportAll, "replace files that already exist",
     [](Parse& p, const std::string&, std::string&) { return Set(p.options.force, true); }},
    {"--json", 0, nullptr, kOnInfo | kOnList | kOnExportAll,
     "info and list print one JSON document; export-all its records",
     [](Parse& p, const std::string&, std::string&) { return Set(p.options.json, true); }},
    {"--quiet", 'q', nullptr, kOnInstrument, "no progress bar",
     [](Parse& p, const std::string&, std::string&) { return Set(p.options.quiet, true); }},
    {"--reconnect-timeout", 0, "SECONDS", kOnInstrument,
     "how long to go on trying to regain a lost instrument\n"
     "(default 60; 0: no waiting)",
     [](Parse& p, const std::string& v, std::string& e) {
         return ParseReconnectTimeout(v, p.options.reconnectTimeoutSeconds, e);
     }},
    {"--no-reconnect", 0, nullptr, kOnInstrument,
     "answer the library's reconnect question No: a lost instrument\n"
     "ends the job",
     [](Parse& p, const std::string&, std::string&) { return Set(p.options.reconnect, false); }},
    {"--reconnect", 0, nullptr, kOnInstrument,
     "try to regain a lost instrument (the default; overrides a\n"
     "settings file's reconnect = no)",
     [](Parse& p, const std::string&, std::string&) { return Set(p.options.reconnect, true); }},
    {"--config", 0, "FILE", kOnInstrument,
     "read settings from FILE first (key = value lines: library, link,\n"
     "folder, type, reconnect-timeout, reconnect); options override them",
     [](Parse& p, const std::string& v, std::string&) { return Keep(p.options.configPath, v); }},
    {"--version", 0, nullptr, 0,
     "the program's version and the library's file, version and flavour\n"
     "(looks for no instrument)",
     [](Parse& p, const std::string&, std::string&) { return Set(p.version, true); }},
    {"--help", 'h', nullptr, kOnInstrument, "this text; after a command, that command's usage",
     [](Parse& p, const std::string&, std::string&) { return Set(p.help, true); }},
};

const char kExitStatuses[] =
    "Exit status:\n"
    "  0  success\n"
    "  1  QUILLSAN.DLL missing, not loadable, or lacking an export\n"
    "  2  bad command line or settings file\n"
    "  3  no instrument found on the link\n"
    "  4  the link was lost and not regained\n"
    "  5  the run was not found\n"
    "  6  a file could not be written, or exists and --force was not given\n"
    "  129, 130, 143  ended by SIGHUP, SIGINT (Ctrl-C) or SIGTERM; the summary is\n"
    "     printed first, and no partial file is left under a final name\n";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "3" or "3:115200", after "COM".
bool ParseComPort(const std::string& text, LinkChoice& link) {
    const std::size_t colon = text.find(':');
    LinkChoice serial;
    serial.usb = false;
    if (!ParseNumber(text.substr(0, colon), 1, kHighestCom, serial.comNumber)) return false;
    if (colon != std::string::npos &&
        !ParseNumber(text.substr(colon + 1), 1, kHighestBaud, serial.baudRate)) {
        return false;
    }
    link = serial;
    return true;
}

// "info and list", "fetch and export-all".
std::string CommandNames(unsigned mask, const char* last) {
    std::vector<std::string> names;
    for (const CommandSpec& command : kCommands) {
        if ((command.mask & mask) != 0 || (mask == ~0u)) names.push_back(command.name);
    }
    std::string joined;
    for (std::size_t n = 0; n < names.size(); ++n) {
        joined += (n == 0 ? "" : n + 1 == names.size() ? last : ", ") + names[n];
    }
    return joined;
}

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

std::string UnknownCommand(const std::string& name) {
    return "unknown command '" + name + "' (" + CommandNames(~0u, " or ") + ")";
}

std::string OptionName(const OptionSpec& option) {
    return option.shortName != 0 ? std::string("-") + option.shortName + "/" + option.name
                                 : std::string(option.name);
}

std::string UnknownOption(const std::string& arg) {
    std::string known;
    for (const OptionSpec& option : kOptions)
        known += (known.empty() ? "" : ", ") + OptionName(option);
    return "unknown option '" + arg + "' (" + known + ")";
}

struct Given {
    const OptionSpec* entry = nullptr;
    std::string typed;  // as the user wrote its name
    std::string value;
};

// One option at argv[n] (moving n past a separate value), or why not.
bool ScanOption(int argc, const char* const* argv, int& n, Given& given, std::string& error) {
    const std::string arg = argv[n];
    std::optional<std::string> attached;
    if (arg[1] == '-') {
        const std::size_t equals = arg.find('=');
        given.typed = arg.substr(0, equals);
        if (equals != std::string::npos) attached = arg.substr(equals + 1);
    } else {
        given.typed = arg.substr(0, 2);
        if (arg.size() > 2) attached = arg.substr(2);
    }
    for (const OptionSpec& option : kOptions) {
        if (given.typed == option.name ||
            (given.typed.size() == 2 && given.typed[1] == option.shortName)) {
            given.entry = &option;
        }
    }
    if (given.entry == nullptr || (attached && !given.entry->value && arg[1] != '-')) {
        error = UnknownOption(arg);
        return false;
    }
    if (!given.entry->value) {
        if (attached) error = given.typed + " takes no value";
        return !attached;
    }
    if (attached) {
        given.value = *attached;
    } else if (n + 1 < argc) {
        given.value = argv[++n];
    }
    if (given.value.empty()) {
        error = given.typed + " needs a value (" + given.entry->value + ")";
        return false;
    }
    return true;
}

// The options and the words between them; "--" ends the options.
bool Scan(int argc, const char* const* argv, std::vector<Given>& given,
          std::vector<std::string>& words, std::string& error) {
    bool optionsEnded = false;
    for (int n = 1; n < argc; ++n) {
        const std::string arg = argv[n];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
        } else {
            given.emplace_back();
            if (!ScanOption(argc, argv, n, given.back(), error)) return false;
        }
    }
    return true;
}

// help [COMMAND], COMMAND --help.
bool TakeHelp(const std::vector<std::string>& words, bool helpCommand, Options& options,
              std::string& error) {
    options.command = Command::kHelp;
    const std::size_t topic = helpCommand ? 1 : 0;
    if (helpCommand && words.size() > 2) {
        error = "help takes one command";
        return false;
    }
    if (words.size() <= topic) return true;
    if (FindCommand(words[topic]) == nullptr) {
        error = UnknownCommand(words[topic]);
        return false;
    }
    options.helpTopic = words[topic];
    return true;
}

// The command's own arguments, the words after its name.
bool TakeArguments(const CommandSpec& command, const std::vector<std::string>& words,
                   const DeferredSettings& deferred, Options& options, std::string& error) {
    if (command.command == Command::kFetch) {
        if (words.size() > 1) {
            error = "fetch takes at most one run";
        } else if (words.size() == 1 && words.front().empty()) {
            error = "fetch: an empty RUN names no run (leave it out for the newest)";
        } else if (words.size() == 1) {
            options.run = words.front();
        }
    } else if (command.command == Command::kExportAll) {
        if (words.size() == 1 && !words.front().empty()) {
            options.output = words.front();
        } else if (words.empty() && !deferred.folder.empty()) {
            options.output = deferred.folder;
        } else {
            error = "export-all takes one folder";
        }
    } else if (!words.empty()) {
        error = std::string(command.name) + " takes no arguments";
    }
    return error.empty();
}

// The command's own default, then the settings file's where the command can
// use it, then --type.
bool TakeTypes(const CommandSpec& command, const Parse& parse, const DeferredSettings& deferred,
               std::string& error) {
    const bool exportAll = command.command == Command::kExportAll;
    parse.options.types = exportAll ? ReportTypes{true, true} : ReportTypes{};
    std::string text = parse.typeText;
    if (text.empty() && (exportAll || Lower(deferred.type) != "both")) text = deferred.type;
    if (text.empty() || (command.mask & (kOnFetch | kOnExportAll)) == 0) return true;
    return ParseReportTypes(text, exportAll, parse.options.types, error);
}

bool TakeCommand(const std::vector<Given>& given, std::vector<std::string> words, Parse& parse,
                 const DeferredSettings& deferred, std::string& error) {
    if (words.empty()) {
        error = "no command given";
        return false;
    }
    const CommandSpec* command = FindCommand(words.front());
    if (command == nullptr) {
        error = UnknownCommand(words.front());
        return false;
    }
    if (command->command == Command::kHelp) return TakeHelp(words, true, parse.options, error);
    for (const Given& option : given) {
        if ((option.entry->commands & command->mask) == 0) {
            error = option.typed + " is for " + CommandNames(option.entry->commands, " and ");
            return false;
        }
    }
    parse.options.command = command->command;
    words.erase(words.begin());
    return TakeArguments(*command, words, deferred, parse.options, error) &&
           TakeTypes(*command, parse, deferred, error);
}

// "  -o, --output FILE" and its help, in two columns.
void AppendRow(std::string& text, const std::string& left, const char* help) {
    constexpr std::size_t kColumn = 30;
    text += "  " + left;
    text += left.size() + 4 <= kColumn ? std::string(kColumn - 2 - left.size(), ' ')
                                       : "\n" + std::string(kColumn, ' ');
    for (const char* c = help; *c != '\0'; ++c) {
        text += *c;
        if (*c == '\n') text += std::string(kColumn, ' ');
    }
    text += '\n';
}

void AppendOptions(std::string& text, unsigned mask) {
    for (const OptionSpec& option : kOptions) {
        if (mask != ~0u && (option.commands & mask) == 0) continue;
        std::string left = option.shortName != 0 ? std::string("-") + option.shortName + ", " : "";
        left += option.name;
        if (option.value) left += std::string(" ") + option.value;
        AppendRow(text, left, option.help);
    }
}

}  // namespace

bool ParseLink(const std::string& text, LinkChoice& link, std::string& error) {
    const std::string lower = Lower(text);
    if (lower == "usb") {
        link = LinkChoice{};
        return true;
    }
    if (text.find('/') != std::string::npos) return ParseDevicePath(text, link, error);
    if (lower.rfind("com", 0) == 0 && ParseComPort(lower.substr(3), link)) return true;
    error = "unknown link '" + text +
            "' (usb, COM1 to COM4294967295, COMn:baud, or a device path such as /dev/ttyUSB0)";
    return false;
}

bool ParseReportTypes(const std::string& text, bool bothAllowed, ReportTypes& types,
                      std::string& error) {
    const std::string type = Lower(text);
    if (type == "validation") {
        types = {true, false};
    } else if (type == "run") {
        types = {false, true};
    } else if (type == "both" && bothAllowed) {
        types = {true, true};
    } else {
        error = "unknown report type '" + text + "' (" +
                (bothAllowed ? "validation, run or both" : "validation or run") + ")";
        return false;
    }
    return true;
}

bool ParseReconnectTimeout(const std::string& text, std::uint32_t& seconds, std::string& error) {
    if (ParseNumber(text, 0, kLongestReconnectTimeout, seconds)) return true;
    error = "reconnect timeout '" + text + "' is not a whole number of seconds from 0 to 86400";
    return false;
}

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    std::vector<Given> given;
    std::vector<std::string> words;
    if (!Scan(argc, argv, given, words, error)) return false;
    Parse parse{options, {}};
    for (const Given& option : given)
        parse.help = parse.help || option.typed == "--help" || option.typed == "-h";
    if (parse.help) {
        const bool helpCommand = !words.empty() && words.front() == "help";
        return TakeHelp(words, helpCommand, options, error);
    }
    // The settings file first, so that every option overrides it.
    for (const Given& option : given) {
        if (option.typed == "--config") options.configPath = option.value;
    }
    DeferredSettings deferred;
    if (!options.configPath.empty() &&
        !ReadSettingsFile(options.configPath, options, deferred, error)) {
        return false;
    }
    for (const Given& option : given) {
        if (!option.entry->apply(parse, option.value, error)) return false;
    }
    if (parse.version) {
        options.command = Command::kVersion;
        return true;
    }
    return TakeCommand(given, words, parse, deferred, error);
}

std::string UsageText(const std::string& topic) {
    const CommandSpec* command = FindCommand(topic);
    if (command != nullptr) {
        std::string text = std::string("Usage: brevalin-cli [OPTIONS] ") + command->name +
                           (*command->arguments != '\0' ? " " : "") + command->arguments + "\n\n";
        AppendRow(text, command->name, command->help);
        if (command->mask != 0) {
            text += "\nOptions:\n";
            AppendOptions(text, command->mask);
        }
        return text;
    }
    std::string text =
        "Usage: brevalin-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
        "       brevalin-cli --version | help [COMMAND] | COMMAND --help\n"
        "\nCommands:\n";
    for (const CommandSpec& each : kCommands) {
        AppendRow(text,
                  std::string(each.name) + (*each.arguments != '\0' ? " " : "") + each.arguments,
                  each.help);
    }
    text += "\nOptions:\n";
    AppendOptions(text, ~0u);
    return text + "\n" + kExitStatuses;
}

}  // namespace brevalin::cli
