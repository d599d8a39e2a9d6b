#include "cli_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace brevalin::cli {

const char kUsage[] =
    "Usage: brevalin-cli [--library PATH] [--link usb|COMn[:baud]] [--quiet] COMMAND\n"
    "\n"
    "Commands:\n"
    "  info [--json]                 link, firmware version, serial number, library version\n"
    "  list [--json]                 the runs, newest first, with their indices\n"
    "  fetch [RUN] [--type validation|run] [-o FILE] [--force]\n"
    "                                one report (RUN: index or name; newest run when absent)\n"
    "                                to FILE as Save to File writes it, or to standard output\n"
    "  export-all DIR [--type validation|run|both] [--force]\n"
    "                                every run's reports into DIR; existing files are skipped\n"
    "\n"
    "Options:\n"
    "  --library PATH   load this QUILLSAN.DLL instead of the one beside the program\n"
    "  --link LINK      usb (default), or a serial port such as COM1 or COM3:115200\n"
    "                   (9600 baud when none is given)\n"
    "  --type TYPE      validation (fetch's default), run, or both (export-all's default)\n"
    "  -o FILE          write the report to FILE (CR LF line ends, degree sign as 0xB0)\n"
    "  --force          replace files that already exist\n"
    "  --json           info and list print one JSON document\n"
    "  --quiet          no progress bar\n"
    "  -h, --help       this text\n"
    "\n"
    "Exit status:\n"
    "  0  success\n"
    "  1  QUILLSAN.DLL missing, not loadable, or lacking an export\n"
    "  2  bad command line\n"
    "  3  no instrument found on the link\n"
    "  4  the link was lost and not regained\n"
    "  5  the run was not found\n"
    "  6  a file could not be written, or exists and --force was not given\n"
    "  130  interrupted (Ctrl-C); no partial file is left under a final name\n";

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A whole decimal number from 1 to `limit`.
bool ParseNumber(const std::string& text, std::uint32_t limit, std::uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (parsed == 0 || parsed > limit) return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

bool ParseTypes(const std::string& text, bool bothAllowed, ReportTypes& types) {
    const std::string type = Lower(text);
    if (type == "validation") {
        types = {true, false};
    } else if (type == "run") {
        types = {false, true};
    } else if (type == "both" && bothAllowed) {
        types = {true, true};
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool ParseLink(const std::string& text, LinkChoice& link) {
    const std::string lower = Lower(text);
    if (lower == "usb") {
        link = LinkChoice{};
        return true;
    }
    if (lower.rfind("com", 0) != 0) return false;
    const std::size_t colon = lower.find(':');
    LinkChoice serial;
    serial.usb = false;
    if (!ParseNumber(lower.substr(3, colon == std::string::npos ? std::string::npos : colon - 3),
                     256, serial.comNumber)) {
        return false;
    }
    if (colon != std::string::npos &&
        !ParseNumber(lower.substr(colon + 1), 4000000, serial.baudRate)) {
        return false;
    }
    link = serial;
    return true;
}

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    std::vector<std::string> positional;
    std::string typeText;
    bool outputGiven = false;
    for (int n = 1; n < argc; ++n) {
        const std::string arg = argv[n];
        auto value = [&](std::string& into) {
            if (n + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            into = argv[++n];
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            options.command = Command::kHelp;
            return true;
        } else if (arg == "--library") {
            if (!value(options.library)) return false;
        } else if (arg == "--link") {
            std::string link;
            if (!value(link)) return false;
            if (!ParseLink(link, options.link)) {
                error = "unknown link '" + link + "' (usb, COMn or COMn:baud)";
                return false;
            }
        } else if (arg == "--type") {
            if (!value(typeText)) return false;
        } else if (arg == "-o" || arg == "--output") {
            if (!value(options.output)) return false;
            outputGiven = true;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) {
        error = "no command given";
        return false;
    }
    const std::string command = positional.front();
    positional.erase(positional.begin());
    const bool jsonAllowed = command == "info" || command == "list";
    const bool typeAllowed = command == "fetch" || command == "export-all";
    if (command == "info" || command == "list") {
        options.command = command == "info" ? Command::kInfo : Command::kList;
        if (!positional.empty()) {
            error = command + " takes no arguments";
            return false;
        }
    } else if (command == "fetch") {
        options.command = Command::kFetch;
        if (positional.size() > 1) {
            error = "fetch takes at most one run";
            return false;
        }
        if (!positional.empty()) options.run = positional.front();
        if (outputGiven && options.output.empty()) {
            error = "-o needs a file name";
            return false;
        }
    } else if (command == "export-all") {
        options.command = Command::kExportAll;
        if (outputGiven || positional.size() != 1 || positional.front().empty()) {
            error = "export-all takes one folder";
            return false;
        }
        options.output = positional.front();
        options.types = {true, true};  // a nightly export wants every report
    } else {
        error = "unknown command '" + command + "'";
        return false;
    }
    if (options.json && !jsonAllowed) {
        error = "--json is for info and list";
        return false;
    }
    if (outputGiven && options.command != Command::kFetch) {
        error = "-o is for fetch";
        return false;
    }
    if (!typeText.empty() || options.force) {
        if (!typeAllowed) {
            error = (typeText.empty() ? "--force" : "--type") + std::string(" is for fetch and export-all");
            return false;
        }
    }
    if (!typeText.empty() &&
        !ParseTypes(typeText, options.command == Command::kExportAll, options.types)) {
        error = "unknown report type '" + typeText + "'";
        return false;
    }
    return true;
}

}  // namespace brevalin::cli
