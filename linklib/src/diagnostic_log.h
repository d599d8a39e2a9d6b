// REMOTERR.LOG: the always-on diagnostic log in the current directory.
#pragma once

#include <cstddef>

namespace quillsan {

// The two spellings the log's writers use; both land in the one file.
inline constexpr const char* kLogName = "REMOTERR.LOG";
inline constexpr const char* kLogNameLower = "REMOTERR.log";

// Local time as the standard ctime text: "Wed Jun 30 21:49:08 1993\n".
inline constexpr std::size_t kTimestampSize = 26;  // 24 characters, line feed, zero byte
void FormatTimestamp(char (&text)[kTimestampSize]);

// Appends the message and a line feed, opening and closing the file for the
// entry. Returns 1 when written, 0 when the file could not be opened.
int WriteLogEntry(const char* message, const char* fileName);

// printf-style convenience around WriteLogEntry.
int WriteLogEntryF(const char* fileName, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

}  // namespace quillsan
