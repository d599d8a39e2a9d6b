// brevalin-cli's command line: what the user asked for, or why it makes no sense.
#pragma once

#include <cstdint>
#include <string>

namespace brevalin::cli {

enum class Command { kNone, kHelp, kVersion, kInfo, kList, kFetch, kExportAll };

struct LinkChoice {
    bool usb = true;
    std::uint32_t comNumber = 0;  // COM1 is 1
    std::uint32_t baudRate = 9600;
};

struct ReportTypes {
    bool validation = true;
    bool run = false;
};

struct Options {
    Command command = Command::kNone;
    std::string library;  // empty: QUILLSAN.DLL beside the program, then the system's search
    LinkChoice link;
    ReportTypes types;
    std::string run;     // fetch: an index or a name; empty for the newest run
    std::string output;  // fetch -o; export-all's folder
    bool force = false;
    bool json = false;
    bool quiet = false;
    std::string helpTopic;  // help COMMAND, COMMAND --help: that command's usage
    // How long the job goes on trying to regain a lost instrument; without
    // reconnecting, the library's reconnect question is answered No.
    std::uint32_t reconnectTimeoutSeconds = 60;
    bool reconnect = true;
    std::string configPath;  // --config FILE: settings the command line overrides
};

// False with a one-line reason in `error` when the arguments make no sense.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// "usb", "COM3" or "COM3:115200", case-insensitive.
bool ParseLink(const std::string& text, LinkChoice& link);

extern const char kUsage[];

}  // namespace brevalin::cli
