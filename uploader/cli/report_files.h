// Report files as brevalin's Save to File writes them, put in place whole:
// written under a temporary name beside the final one and renamed, so that a
// crash, a lost link or Ctrl-C never leaves half a report under the final name.
#pragma once

#include <string>
#include <vector>

#include "interrupt.h"

namespace brevalin::cli {

// Every temporary file starts so; a later export removes the ones a killed
// program left behind.
extern const char kTemporaryPrefix[];

// The file's bytes for `lines` (mapped, without line ends): CR LF line ends.
std::string ReportBytes(const std::vector<std::string>& lines);

// Writes `bytes` to `path` under a temporary name and renames it. Without
// `replace`, an existing file is left alone and the write fails. On failure
// `error` says why, `failure` holds the errno value (0 when none applies) and
// nothing is left behind.
bool WriteFileWhole(const std::string& path, const std::string& bytes, bool replace,
                    std::string& error, int& failure);

bool WriteReportFile(const std::string& path, const std::vector<std::string>& lines, bool replace,
                     std::string& error);

// `fetch -o`: a device or a pipe is written to as it is; a symbolic link's
// target is replaced, not the link; anything else as WriteFileWhole.
bool WriteReportOutput(const std::string& path, const std::string& bytes, bool replace,
                       std::string& error);

// A whole file's bytes; false when it cannot be read or holds more than
// `limit` bytes (0: no limit).
bool ReadFileBytes(const std::string& path, std::string& bytes, std::size_t limit);

// A run name made safe as a file name on Linux and Windows.
std::string SafeFileName(const std::string& runName);

}  // namespace brevalin::cli
