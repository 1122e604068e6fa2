// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up: create the window and show it, or tell the user why it could not be created.
#pragma once

#include <functional>
#include <memory>

#include "app/main_window.h"

namespace velmora::app {

using WindowFactory = std::function<std::unique_ptr<MainWindow>()>;

// Names the program to the desktop: the X11 class "velmora" and the menu entry org.velmora.velmora, so
// docks and task bars match the window to its entry and icon.
void identifyToDesktop();

// Makes Qt's own dialogs and buttons speak Chinese whatever the desktop's language, from the
// translations installed with Qt. Returns false when they are not installed; the dialogs then stay English.
bool installQtTranslation();

// The error box's text when the window cannot be created.
QString startupErrorText();

// Runs `deliver` (one event's delivery). When it runs out of memory, shows the error box through
// `prompter` and returns false, so a command that could not finish ends in a message, not in an abort.
bool deliverGuarded(const std::function<bool()>& deliver, Prompter& prompter);

// Creates and shows the window. If creating it fails, shows the error box through `prompter` and
// returns null.
std::unique_ptr<MainWindow> startWindow(const WindowFactory& create, Prompter& prompter);

}  // namespace velmora::app
