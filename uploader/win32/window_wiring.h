// Connects the main window's controls to the handlers of its events.
#pragma once

#include "main_window.h"
#include "view.h"

namespace brevalin {

void Wire(MainWindow& window, ViewEvents& handlers);

}  // namespace brevalin
