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
// A settings file named by --config is read first.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The usage of every command and option, or of one command (`topic`).
std::string UsageText(const std::string& topic);

// The value parsers the command line and the settings file share; each
// leaves a one-line reason in `error` when it refuses.

// "usb", "COMn" or "COMn:baud" (case-insensitive), or a serial device path
// (symbolic links followed) that the library reaches through a COM number.
bool ParseLink(const std::string& text, LinkChoice& link, std::string& error);
// validation, run, and both where `bothAllowed`.
bool ParseReportTypes(const std::string& text, bool bothAllowed, ReportTypes& types,
                      std::string& error);
bool ParseReconnectTimeout(const std::string& text, std::uint32_t& seconds, std::string& error);

// The settings file's values that depend on the command, applied after it is known.
struct DeferredSettings {
    std::string folder;  // export-all's folder when the command line names none
    std::string type;    // validation, run or both, checked
};

// Reads a settings file: `key = value` lines, `#` comment lines, blank lines.
// library, link, reconnect-timeout and reconnect go into `options`.
bool ReadSettingsFile(const std::string& path, Options& options, DeferredSettings& deferred,
                      std::string& error);

}  // namespace brevalin::cli
