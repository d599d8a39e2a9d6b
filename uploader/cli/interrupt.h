// SIGINT, SIGTERM and SIGHUP: the temporary file of a write in progress is
// removed, the summary of the job so far is printed, and the program exits
// with 128 plus the signal's number (130, 143, 129).
#pragma once

#include <signal.h>

#include <string>

namespace brevalin::cli {

void InstallInterruptCleanup();

// Blocks the three signals for its lifetime, so that the handler never sees
// half-updated state.
class SignalsHeld {
  public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t previous_;
};

// The temporary file being written; empty when none. Call with signals held.
bool SetPendingTemporary(const std::string& path);
void ClearPendingTemporary();

// What an interrupted job prints on standard output: `body` then `tail`.
// The strings must stay alive and unchanged until the next call; call with
// signals held. Null pointers print nothing.
void SetInterruptReport(const std::string* body, const std::string* tail);

}  // namespace brevalin::cli
