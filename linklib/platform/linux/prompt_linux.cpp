// The reconnect question on Linux: the host program's prompt function when it
// exports one, else the terminal when one is attached, else No.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "prompt.h"
#include "quillsan.h"

namespace quillsan::platform {
namespace {

constexpr std::size_t kAnswerBytes = 64;

bool WriteAll(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t written = write(fd, text, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// One line from the terminal, at most kAnswerBytes of it kept; end of input is No.
bool ReadAnswer(char (&answer)[kAnswerBytes]) {
    std::size_t kept = 0;
    for (;;) {
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        if (c == '\n') break;
        if (kept + 1 < kAnswerBytes) answer[kept++] = c;
    }
    answer[kept] = '\0';
    return true;
}

bool AskOnTerminal(const char* text, const char* caption) {
    const int out = isatty(STDERR_FILENO) ? STDERR_FILENO : STDOUT_FILENO;
    if (!isatty(STDIN_FILENO) || !isatty(out)) return false;
    char question[256];
    std::snprintf(question, sizeof question, "%s: %s [y/N] ", caption, text);
    if (!WriteAll(out, question)) return false;
    char answer[kAnswerBytes] = {};
    if (!ReadAnswer(answer)) return false;
    const char* first = answer;
    while (*first == ' ' || *first == '\t') ++first;
    return *first == 'y' || *first == 'Y';
}

}  // namespace

bool AskYesNo(const char* text, const char* caption) {
    const auto host = reinterpret_cast<QuillsanHostPromptFunction>(
        dlsym(RTLD_DEFAULT, QUILLSAN_HOST_PROMPT_NAME));
    if (host != nullptr) return host(text, caption) != 0;
    return AskOnTerminal(text, caption);
}

}  // namespace quillsan::platform
