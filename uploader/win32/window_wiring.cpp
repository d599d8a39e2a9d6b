#include "window_wiring.h"

#include <exception>

#include "win32_dialogs.h"

namespace brevalin {
namespace {

// An exception cannot pass through the system's window procedure: it is
// shown here and ends the message loop, and the program returns 0.
std::function<void()> Guarded(std::function<void()> handler) {
    return [handler = std::move(handler)] {
        try {
            handler();
        } catch (const std::exception& error) {
            ShowFatalError(error.what());
            PostQuitMessage(0);
        } catch (...) {
            ShowFatalError("Unexpected error");
            PostQuitMessage(0);
        }
    };
}

}  // namespace

void Wire(MainWindow& window, ViewEvents& handlers) {
    ViewEvents* c = &handlers;
    MainWindow::Events& events = window.events();
    events.timer = Guarded([c] { c->Timer1Timer(); });
    events.refresh = Guarded([c] { c->RefreshBClick(); });
    events.save = Guarded([c] { c->SaveBClick(); });
    events.about = Guarded([c] { c->AboutBClick(); });
    events.cancel = Guarded([c] { c->CancelClick(); });
    events.runClicked = Guarded([c] { c->ListBox1Click(); });
    // Arrow, Home, End and page keys choose a run just as a click does.
    events.runCurrentChanged = Guarded([c] { c->RunListCurrentChanged(); });
    events.typeChosen = Guarded([c] { c->RadioGroup1Click(); });
}

}  // namespace brevalin
