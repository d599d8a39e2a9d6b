// The person at the keyboard, as the soak models them: Retry when the
// instrument is not found, Save again when the line count could not be read,
// Replace when asked. Any other box is unexpected and fails the soak.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "dialogs.h"

namespace brevalin::soak {

class SoakUser : public Dialogs {
  public:
    int Message(const std::string& text, int flags) override;
    std::string SaveFileName() override { return savePath.toStdString(); }
    void ShowAbout(const std::string&) override {}
    void Exit(int status) override { exitStatus = status; }

    QString savePath;
    int exitStatus = -1;
    std::uint64_t connectRetries = 0;
    std::uint64_t countUnknownBoxes = 0;  // Save to File could not read the line count
    QStringList unexpected;

    // A user gives up on an instrument that is never found.
    static constexpr std::uint64_t kMaxConnectRetries = 1000;
};

}  // namespace brevalin::soak
