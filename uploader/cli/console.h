// The program's own process and terminal, each platform on its own API
// (posix/console.cpp, windows/console.cpp).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace brevalin::cli::console {

// The command line as UTF-8.
std::vector<std::string> Arguments(int argc, char** argv);

// Standard output and error pass bytes as they are, as on Linux.
void Prepare();

enum class Terminal { kNone, kDumb, kFull };

// Whether `stream` is a terminal, and whether it moves the cursor on "\r" and
// erases on "\033[K".
Terminal TerminalOf(std::FILE* stream);

// The terminal's width in columns.
int Columns(int fd);

// Safe in a signal handler.
void WriteRaw(int fd, const char* bytes, std::size_t length);

}  // namespace brevalin::cli::console
