// The four commands of brevalin-cli, each returning the program's exit status.
#pragma once

#include <cstdio>

#include "cli_options.h"
#include "cli_session.h"
#include "text_output.h"

namespace brevalin::cli {

enum ExitStatus : int {
    kExitOk = 0,
    kExitLibrary = 1,  // as brevalin: the library is missing or wrong
    kExitUsage = 2,
    kExitNoInstrument = 3,
    kExitLinkLost = 4,
    kExitRunNotFound = 5,
    kExitFile = 6,
};

struct Streams {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

int Info(CliSession& session, const Options& options, const Streams& streams);
int List(CliSession& session, const Options& options, const Streams& streams);
int Fetch(CliSession& session, const Options& options, const Streams& streams);
int ExportAll(CliSession& session, const Options& options, const Streams& streams);

// Shared by the commands: the instrument's serial number ("" when it has
// none), a firmware version as text ("1.009"), the link-lost line and status,
// and the check that everything printed reached standard output (else one
// line on standard error and kExitFile).
std::string SerialNumber(const CliSession& session);
std::string VersionText(std::uint32_t version);
int LinkLost(const Streams& streams);
int FinishOutput(const Streams& streams);

}  // namespace brevalin::cli
