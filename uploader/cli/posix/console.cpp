#include "console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace brevalin::cli::console {

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void Prepare() {}

Terminal TerminalOf(std::FILE* stream) {
    if (!isatty(fileno(stream))) return Terminal::kNone;
    const char* term = std::getenv("TERM");
    const bool dumb = term == nullptr || *term == '\0' || std::strcmp(term, "dumb") == 0;
    return dumb ? Terminal::kDumb : Terminal::kFull;
}

int Columns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const int fromEnvironment = columns != nullptr ? std::atoi(columns) : 0;
    return fromEnvironment > 0 ? fromEnvironment : 80;
}

void WriteRaw(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t wrote = write(fd, bytes, length);
        if (wrote <= 0) return;
        bytes += wrote;
        length -= static_cast<std::size_t>(wrote);
    }
}

}  // namespace brevalin::cli::console
