// Report files as brevalin's Save to File writes them, put in place whole:
// written under a temporary name beside the final one and renamed, so that a
// crash, a lost link or Ctrl-C never leaves half a report under the final name.
#pragma once

#include <string>
#include <vector>

namespace brevalin::cli {

// Removes the temporary file of a write in progress on SIGINT, SIGTERM and
// SIGHUP, then lets the signal end the program as it would have.
void InstallInterruptCleanup();

// Writes `lines` (mapped, without line ends) with CR LF line ends. Without
// `replace`, an existing file is left alone and the write fails. On failure
// `error` says why and nothing is left behind.
bool WriteReportFile(const std::string& path, const std::vector<std::string>& lines, bool replace,
                     std::string& error);

// A run name made safe as a file name on Linux and Windows.
std::string SafeFileName(const std::string& runName);

}  // namespace brevalin::cli
