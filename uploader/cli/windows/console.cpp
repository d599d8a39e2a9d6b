#include "console.h"

// shellapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdlib>

#include "wide_path.h"

namespace brevalin::cli::console {
namespace {

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

UINT consoleOutputPage = 0;

void RestoreConsolePage() {
    SetConsoleOutputCP(consoleOutputPage);
}

}  // namespace

std::vector<std::string> Arguments(int argc, char** argv) {
    // main's arguments are in the code page; the wide command line has every name.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr || count != argc) {
        if (wide != nullptr) LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int n = 0; n < count; ++n) arguments.push_back(windows::Utf8(wide[n]));
    LocalFree(wide);
    return arguments;
}

void Prepare() {
    // No LF to CR LF in what is printed: the bytes are Linux's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // What is printed is UTF-8; a console shows it so while the program runs.
    consoleOutputPage = GetConsoleOutputCP();
    if (consoleOutputPage != 0 && consoleOutputPage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreConsolePage);
}

Terminal TerminalOf(std::FILE* stream) {
    // A console, not merely a character device such as NUL.
    const HANDLE handle = HandleOf(_fileno(stream));
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode)) return Terminal::kNone;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return Terminal::kFull;
    return SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) ? Terminal::kFull
                                                                             : Terminal::kDumb;
}

int Columns(int fd) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(HandleOf(fd), &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 0) return width;
    }
    return 80;
}

void WriteRaw(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        const int wrote = _write(fd, bytes, static_cast<unsigned>(length));
        if (wrote <= 0) return;
        bytes += wrote;
        length -= static_cast<std::size_t>(wrote);
    }
}

}  // namespace brevalin::cli::console
