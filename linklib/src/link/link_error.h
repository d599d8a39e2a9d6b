// The sticky link error: set here only, with its log line and a drain of the
// serial input; read by the exports and their result forms.
#pragma once

#include <cstdint>

namespace quillsan {

enum LinkError : std::int32_t {
    kNoError = 0,
    kSendFailed = 1,
    kNoValidReply = 6,
    kBlockWriteFailed = 8,
    kBlockReadFailed = 9,
};

// The command last started, which the log line of a later link error names.
void NoteCommand(std::int16_t command);

// Logs "Link error #code in function command", drains the serial input and
// keeps the code until it is cleared; a later error replaces it.
void SetLinkError(LinkError code);

LinkError CurrentLinkError();
inline bool LinkErrorPending() {
    return CurrentLinkError() != kNoError;
}

// ClearRemoteError: drains the serial input, then forgets the error.
void ClearLinkError();

// As a fresh load finds it: no error, command 0 (see ResetLibraryState).
void ResetLinkError();

}  // namespace quillsan
