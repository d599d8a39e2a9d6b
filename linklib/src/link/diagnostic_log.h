// REMOTERR.LOG: the always-on diagnostic log in the current directory.
#pragma once

#include <cstddef>

namespace quillsan {

// Local time as the standard ctime text: "Wed Jun 30 21:49:08 1993\n".
inline constexpr std::size_t kTimestampSize = 26;  // 24 characters, line feed, zero byte
void FormatTimestamp(char (&text)[kTimestampSize]);

// Appends the text and a line feed, opening and closing the file for the
// entry. False when the file could not be opened; nothing else changes then.
bool LogLine(const char* text);

// printf-style LogLine.
bool LogLineF(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace quillsan
