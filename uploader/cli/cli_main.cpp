// brevalin-cli: Zantorel reports without a window, for scripts, nightly jobs
// and remote shells.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_commands.h"
#include "cli_options.h"
#include "cli_session.h"
#include "console.h"
#include "instrument_chars.h"
#include "port_check.h"
#include "quillsan_loader.h"
#include "reconnect_answer.h"
#include "report_files.h"

namespace {

// The binding's message on one line.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    const std::size_t first = text.find_first_not_of(" ->");
    return first == std::string::npos ? text : text.substr(first);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace brevalin::cli;
    console::Prepare();
    const std::vector<std::string> arguments = console::Arguments(argc, argv);
    std::vector<const char*> argumentTexts;
    argumentTexts.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argumentTexts.push_back(argument.c_str());
    argumentTexts.push_back(nullptr);
    Options options;
    std::string error;
    if (!ParseOptions(static_cast<int>(arguments.size()), argumentTexts.data(), options, error)) {
        std::fprintf(stderr, "brevalin-cli: %s (--help shows the usage)\n", error.c_str());
        return kExitUsage;
    }
    if (options.command == Command::kHelp) {
        std::fputs(UsageText(options.helpTopic).c_str(), stdout);
        return kExitOk;
    }
    // Printed before binding, so that a library that cannot be loaded still
    // leaves the program's own version.
    if (options.command == Command::kVersion) std::printf("brevalin-cli %s\n", BREVALIN_VERSION);
    InstallInterruptCleanup();

    const bool ownFile = options.library.empty();
    const std::string ownFolder = ownFile ? quillsan::loader::ProgramFolder() : std::string();
    brevalin::LinkLibrary library(ownFolder);
    CliSession session(library, ownFolder);
    if (!session.Bind(ownFile ? "QUILLSAN.DLL" : options.library.c_str(), error)) {
        std::fprintf(stderr, "brevalin-cli: %s\n", OneLine(error).c_str());
        return kExitLibrary;
    }
    if (options.command == Command::kVersion) {
        std::printf("library file: %s\nlibrary version: %s\nlibrary flavour: %s\n",
                    session.LibraryPath().c_str(),
                    brevalin::Windows1252ToUtf8(session.libraryVersion()).c_str(),
                    session.Flavour().c_str());
        return kExitOk;
    }
    session.SetReconnectBudget(
        {options.reconnect, std::chrono::seconds(options.reconnectTimeoutSeconds)});
    AnswerReconnectQuestionsWith(&session);
    if (!session.Connect(options.link)) {
        const std::string port =
            options.link.usb ? std::string("USB") : "COM" + std::to_string(options.link.comNumber);
        const std::string problem =
            options.link.usb ? std::string() : SerialPortProblem(options.link.comNumber);
        if (!problem.empty()) {
            std::fprintf(stderr, "brevalin-cli: %s: %s\n", port.c_str(), problem.c_str());
        } else {
            std::fprintf(stderr, "brevalin-cli: No Zantorel detected on %s\n", port.c_str());
        }
        return kExitNoInstrument;
    }
    session.SetProgress(ProgressBar(options, stderr));
    const Streams streams;
    switch (options.command) {
        case Command::kInfo:
            return Info(session, options, streams);
        case Command::kList:
            return List(session, options, streams);
        case Command::kFetch:
            return Fetch(session, options, streams);
        case Command::kExportAll:
            return ExportAll(session, options, streams);
        default:
            return kExitUsage;
    }
}
