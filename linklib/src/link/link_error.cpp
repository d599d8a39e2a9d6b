#include "link_error.h"

#include "diagnostic_log.h"
#include "serial_transport.h"

namespace quillsan {
namespace {

LinkError g_linkError = kNoError;
std::int16_t g_currentCommand = 0;

}  // namespace

void NoteCommand(std::int16_t command) {
    g_currentCommand = command;
}

void SetLinkError(LinkError code) {
    char timestamp[kTimestampSize];
    FormatTimestamp(timestamp);
    LogLineF("Link error #%d in function %d @%s\r\n", code, g_currentCommand, timestamp);
    DrainInput();
    g_linkError = code;
}

LinkError CurrentLinkError() {
    return g_linkError;
}

void ClearLinkError() {
    DrainInput();
    g_linkError = kNoError;
}

void ResetLinkError() {
    g_linkError = kNoError;
    g_currentCommand = 0;
}

}  // namespace quillsan
