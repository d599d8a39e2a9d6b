// The four commands of brevalin-cli, each returning the program's exit status.
#pragma once

#include <cstdio>

#include "cli_options.h"
#include "cli_session.h"

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

// A progress bar on `err` when it is a terminal and the user wants one.
ProgressFunction ProgressBar(const Options& options, std::FILE* err);

}  // namespace brevalin::cli
