// What brevalin-cli prints: instrument texts made safe for a terminal or a
// JSON document, the progress bar, and error lines that never share a line
// with it.
#pragma once

#include <cstdio>
#include <string>

#include "cli_options.h"
#include "cli_session.h"

namespace brevalin::cli {

// Windows-1252 from the instrument as UTF-8, control characters (C0, DEL and
// C1) written as \xHH so that a name can neither move the cursor nor start a
// line of its own.
std::string TerminalText(const std::string& instrumentText);

// UTF-8 as a quoted JSON string.
std::string Json(const std::string& utf8);

// A progress bar on `err` when it is a terminal and the user wants one: as
// wide as the terminal, and without cursor movement under TERM=dumb.
ProgressFunction ProgressBar(const Options& options, std::FILE* err);

// Ends a drawn progress bar's line, so that what follows starts a new one.
// Safe in a signal handler.
void EndProgressLine();

// One line on `err`, after ending the progress bar's line.
void ErrorLine(std::FILE* err, const std::string& message);

}  // namespace brevalin::cli
