// brevalin: copies reports out of a Zantorel thermal cycler.
#include <QApplication>
#include <exception>

#include "controller.h"
#include "link_binding.h"
#include "main_window.h"
#include "qt_dialogs.h"
#include "quillsan.h"
#include "window_wiring.h"

// The library's USB reconnect question, asked as a real dialogue. The library
// looks this name up in the executable.
extern "C" __attribute__((visibility("default"))) int QuillsanHostPrompt(const char* text,
                                                                         const char* caption) {
    return brevalin::AskReconnect(text, caption);
}
static_assert(std::is_same_v<decltype(&QuillsanHostPrompt), QuillsanHostPromptFunction>);

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The application's title. No display name: Qt would append it to every caption.
    QApplication::setApplicationName(QStringLiteral("Brevalin"));

    brevalin::MainWindow form1;
    brevalin::LinkLibrary library(QCoreApplication::applicationDirPath().toStdString());
    brevalin::AboutBox aboutBox(&form1);
    brevalin::QtDialogs dialogs(&form1, &aboutBox);
    brevalin::Controller controller(form1, library, dialogs);
    brevalin::Wire(form1, controller);
    controller.FormCreate();
    form1.show();
    try {
        return QApplication::exec();
    } catch (const std::exception& error) {
        brevalin::ShowFatalError(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        brevalin::ShowFatalError(QStringLiteral("Unexpected error"));
    }
    return 0;
}
