#include "qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdlib>

#include "exact_caption.h"
#include "main_window.h"

namespace brevalin {
int AskReconnect(const char* text, const char* caption) {
    const bool yes =
        QMessageBox::question(QApplication::activeWindow(), QString::fromLatin1(caption),
                              QString::fromLatin1(text), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes) == QMessageBox::Yes;
    HostReconnectAnswers().Note(yes);
    return yes ? 1 : 0;
}

int QtDialogs::Message(const std::string& text, int flags) {
    QMessageBox message(parent_);
    SetExactCaption(&message, QString());
    message.setText(QString::fromLatin1(text.c_str()));
    const int icon = flags & 0xF0;
    message.setIcon(icon == box::kQuestion      ? QMessageBox::Question
                    : icon == box::kExclamation ? QMessageBox::Warning
                                                : QMessageBox::NoIcon);
    switch (flags & 0x0F) {
        case box::kOkCancel:
            message.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case box::kRetryCancel:
            message.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            break;
        default:
            message.setStandardButtons(QMessageBox::Ok);
            break;
    }
    switch (message.exec()) {
        case QMessageBox::Ok:
            return box::kAnswerOk;
        case QMessageBox::Retry:
            return box::kAnswerRetry;
        default:
            return box::kAnswerCancel;
    }
}

void ShowFatalError(const QString& text) {
    QMessageBox message(QMessageBox::Critical, QString(), text, QMessageBox::Ok);
    SetExactCaption(&message, QString());
    message.exec();
}

std::string QtDialogs::SaveFileName() {
    // No filter, no default extension, no options.
    // The replace question is the program's own, so the dialog does not ask it too.
    return QFileDialog::getSaveFileName(parent_, QString(), QString(), QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

void QtDialogs::ShowAbout(const std::string& versionText) {
    about_->SetVersionText(QString::fromLatin1(versionText.c_str()));
    about_->exec();
}

void QtDialogs::Exit(int status) {
    std::exit(status);
}

}  // namespace brevalin
