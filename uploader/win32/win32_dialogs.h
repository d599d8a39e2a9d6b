// The dialogs seam and the reconnect question as Win32 boxes.
#pragma once

#include <windows.h>

#include "dialogs.h"

namespace brevalin {

// The library's reconnect question as a modal Yes/No box over the program's
// window; notes the answer in HostReconnectAnswers().
int AskReconnect(const char* text, const char* caption);

// The message for an error that escaped an event handler.
void ShowFatalError(const char* text);

class Win32Dialogs : public Dialogs {
  public:
    explicit Win32Dialogs(HWND owner) : owner_(owner) {}
    int Message(const std::string& text, int flags) override;
    std::string SaveFileName() override;
    void ShowAbout(const std::string& versionText) override;
    [[noreturn]] void Exit(int status) override;

  private:
    HWND owner_;
};

}  // namespace brevalin
