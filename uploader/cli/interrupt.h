// SIGINT, SIGTERM and SIGHUP: the temporary file of a write in progress is
// removed, the summary of the job so far is printed, and the program exits
// with 128 plus the signal's number (130, 143, 129). On Windows Ctrl-C and
// Ctrl-Break count as SIGINT and closing the console as SIGHUP. The handlers
// are the platform's (posix/interrupt.cpp, windows/interrupt.cpp).
#pragma once

#include <string>

namespace brevalin::cli {

void InstallInterruptCleanup();

// Holds the interruptions off for its lifetime, so that the handler never
// sees half-updated state. Nests; the main thread's only.
class SignalsHeld {
  public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};

// The temporary file being written; empty when none. Call with signals held.
bool SetPendingTemporary(const std::string& path);
void ClearPendingTemporary();

// What an interrupted job prints on standard output: `body` then `tail`.
// The strings must stay alive and unchanged until the next call; call with
// signals held. Null pointers print nothing.
void SetInterruptReport(const std::string* body, const std::string* tail);

// The handler's work before it exits: removes the temporary file, ends the
// progress bar's line, prints the summary and "interrupted by NAME".
void ReportInterruption(const char* signalName);

}  // namespace brevalin::cli
