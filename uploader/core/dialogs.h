// Everything that waits for the user or ends the program, behind one seam so
// tests answer instead of a person.
#pragma once

#include <string>

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
    // A modal box with an empty caption and Latin-1 text; returns the answer (box::kAnswer...).
    virtual int Message(const std::string& text, int flags) = 0;
    // The chosen file in UTF-8, or an empty text when the user cancels.
    virtual std::string SaveFileName() = 0;
    virtual void ShowAbout(const std::string& versionText) = 0;
    // Ends the program. Real dialogs never return; test dialogs record it.
    virtual void Exit(int status) = 0;
};

// The user's answers to the library's reconnect question. A No means the
// command that met the missing instrument should end; the command clears the
// record when it starts and when it has acted on it.
class ReconnectAnswers {
  public:
    void Note(bool yes) { refused_ = refused_ || !yes; }
    bool refused() const { return refused_; }
    void Clear() { refused_ = false; }

  private:
    bool refused_ = false;
};

// The record the program's prompt function writes: the library asks through
// one process-wide function, so there is one record per process.
ReconnectAnswers& HostReconnectAnswers();

}  // namespace brevalin
