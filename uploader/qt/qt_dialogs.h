// The dialogs seam and the reconnect question as Qt message boxes.
#pragma once

#include <QString>

#include "dialogs.h"

class QWidget;

namespace brevalin {

// The prompt function's question, shown as a modal Yes/No box; notes the
// answer in HostReconnectAnswers().
int AskReconnect(const char* text, const char* caption);

// The toolkit's message for an error that escaped the message loop.
void ShowFatalError(const QString& text);

class AboutBox;

class QtDialogs : public Dialogs {
  public:
    QtDialogs(QWidget* parent, AboutBox* about) : parent_(parent), about_(about) {}
    int Message(const std::string& text, int flags) override;
    std::string SaveFileName() override;
    void ShowAbout(const std::string& versionText) override;
    [[noreturn]] void Exit(int status) override;

  private:
    QWidget* parent_;
    AboutBox* about_;
};

}  // namespace brevalin
