#include "interrupt.h"

#include <cstring>

#include "console.h"
#include "files.h"
#include "text_output.h"

namespace brevalin::cli {
namespace {

// The handler reads these only while the main program cannot be changing them.
char pendingPath[4096];
const std::string* reportBody = nullptr;
const std::string* reportTail = nullptr;

}  // namespace

void ReportInterruption(const char* signalName) {
    if (pendingPath[0] != '\0') files::Remove(pendingPath);
    EndProgressLine();
    if (reportBody != nullptr) console::WriteRaw(1, reportBody->data(), reportBody->size());
    if (reportTail != nullptr) console::WriteRaw(1, reportTail->data(), reportTail->size());
    console::WriteRaw(2, "brevalin-cli: interrupted by ", 29);
    console::WriteRaw(2, signalName, std::strlen(signalName));
    console::WriteRaw(2, "\n", 1);
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
