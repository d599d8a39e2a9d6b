#include "interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstring>

#include "text_output.h"

namespace brevalin::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler reads these only while the main program cannot be changing them.
char pendingPath[4096];
const std::string* reportBody = nullptr;
const std::string* reportTail = nullptr;

void WriteAll(int fd, const char* bytes, std::size_t length) {
    while (length > 0) {
        const ssize_t wrote = write(fd, bytes, length);
        if (wrote <= 0) return;
        bytes += wrote;
        length -= static_cast<std::size_t>(wrote);
    }
}

void OnSignal(int signal) {
    if (pendingPath[0] != '\0') unlink(pendingPath);
    EndProgressLine();
    if (reportBody != nullptr) WriteAll(1, reportBody->data(), reportBody->size());
    if (reportTail != nullptr) WriteAll(1, reportTail->data(), reportTail->size());
    const char* name = signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP";
    WriteAll(2, "brevalin-cli: interrupted by ", 29);
    WriteAll(2, name, std::strlen(name));
    WriteAll(2, "\n", 1);
    _exit(128 + signal);
}

sigset_t Blocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

void InstallInterruptCleanup() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_mask = Blocked();
    for (const int signal : kSignals) sigaction(signal, &action, nullptr);
}

SignalsHeld::SignalsHeld() {
    const sigset_t blocked = Blocked();
    sigprocmask(SIG_BLOCK, &blocked, &previous_);
}

SignalsHeld::~SignalsHeld() {
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

bool SetPendingTemporary(const std::string& path) {
    if (path.size() >= sizeof pendingPath) return false;
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    return true;
}

void ClearPendingTemporary() {
    pendingPath[0] = '\0';
}

void SetInterruptReport(const std::string* body, const std::string* tail) {
    reportBody = body;
    reportTail = tail;
}

}  // namespace brevalin::cli
