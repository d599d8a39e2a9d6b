#include "interrupt.h"

#include <unistd.h>

#include <csignal>

namespace brevalin::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

int heldDepth = 0;
sigset_t beforeHeld;

void OnSignal(int signal) {
    ReportInterruption(signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "SIGHUP");
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
    if (heldDepth++ > 0) return;
    const sigset_t blocked = Blocked();
    sigprocmask(SIG_BLOCK, &blocked, &beforeHeld);
}

SignalsHeld::~SignalsHeld() {
    if (--heldDepth == 0) sigprocmask(SIG_SETMASK, &beforeHeld, nullptr);
}

}  // namespace brevalin::cli
