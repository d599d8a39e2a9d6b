#include "interrupt.h"

#include <windows.h>

namespace brevalin::cli {
namespace {

// The console runs the handler on a thread of its own: it waits here while
// the main thread holds the state, and never leaves once it has it.
struct Held {
    Held() { InitializeCriticalSection(&section); }
    CRITICAL_SECTION section;
} held;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const bool hangUp =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && !hangUp) return FALSE;
    EnterCriticalSection(&held.section);
    ReportInterruption(hangUp ? "SIGHUP" : "SIGINT");
    ExitProcess(hangUp ? 129 : 130);
}

}  // namespace

void InstallInterruptCleanup() {
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

SignalsHeld::SignalsHeld() {
    EnterCriticalSection(&held.section);
}

SignalsHeld::~SignalsHeld() {
    LeaveCriticalSection(&held.section);
}

}  // namespace brevalin::cli
