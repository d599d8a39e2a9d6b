// Connects the main window's events to the controller's handlers.
#pragma once

#include "controller.h"
#include "main_window.h"

namespace brevalin {

void Wire(MainWindow& window, Controller& controller);

}  // namespace brevalin
