// Dialogs that tests answer: every box is recorded with its flags, answers
// come from a queue (OK when it runs dry), and Exit records the status.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include "dialogs.h"

namespace brevalin::test {

using Boxes = QList<QPair<QString, int>>;  // text and flags of each box shown

class FakeDialogs : public Dialogs {
  public:
    int Message(const std::string& text, int flags) override {
        boxes.append({QString::fromLatin1(text.c_str()), flags});
        return answers.isEmpty() ? box::kAnswerOk : answers.takeFirst();
    }
    std::string SaveFileName() override {
        ++saveDialogs;
        return saveAs.toStdString();
    }
    void ShowAbout(const std::string&) override {}
    void Exit(int status) override { exitStatus = status; }

    Boxes boxes;
    QList<int> answers;
    QString saveAs;
    int saveDialogs = 0;
    int exitStatus = -1;
};

}  // namespace brevalin::test
