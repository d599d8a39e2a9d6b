// Everything that waits for the user or ends the program, behind one seam so
// tests answer instead of a person.
#pragma once

#include <QString>

class QWidget;

namespace brevalin {

// Message box buttons, icons and answers as the Windows values, which is how
// the program's boxes are described.
namespace box {
inline constexpr int kOk = 0x00;
inline constexpr int kOkCancel = 0x01;
inline constexpr int kRetryCancel = 0x05;
inline constexpr int kQuestion = 0x20;
inline constexpr int kExclamation = 0x30;
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerRetry = 4;
}  // namespace box

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A modal box with an empty caption; returns the answer (box::kAnswer...).
    virtual int Message(const QString& text, int flags) = 0;
    // The chosen file, or an empty text when the user cancels.
    virtual QString SaveFileName() = 0;
    virtual void ShowAbout(const QString& versionText) = 0;
    // Ends the program. Real dialogs never return; test dialogs record it.
    virtual void Exit(int status) = 0;
};

// The library asks its reconnect question through the program's prompt
// function. A No there means the user wants the command that met the missing
// instrument to end, so it is noted until that command takes it.
void NoteReconnectAnswer(bool yes);
// True once after a No.
bool TakeReconnectRefusal();
// The prompt function's question, shown as a modal Yes/No box; notes the answer.
int AskReconnect(const char* text, const char* caption);

// The toolkit's message for an error that escaped the message loop.
void ShowFatalError(const QString& text);

class AboutBox;

class QtDialogs : public Dialogs {
  public:
    QtDialogs(QWidget* parent, AboutBox* about) : parent_(parent), about_(about) {}
    int Message(const QString& text, int flags) override;
    QString SaveFileName() override;
    void ShowAbout(const QString& versionText) override;
    [[noreturn]] void Exit(int status) override;

  private:
    QWidget* parent_;
    AboutBox* about_;
};

}  // namespace brevalin
