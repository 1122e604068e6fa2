// SPDX-License-Identifier: GPL-3.0-or-later
// The command toolbar at the top of the window.
#pragma once

class QToolBar;
class QWidget;

namespace velmora::app {

// Builds the eleven entries, separators included, with 32 x 32 pictures above their captions.
// A click reaches the owner through QToolBar::actionTriggered with the clicked entry.
QToolBar* buildToolbar(QWidget* parent);

}  // namespace velmora::app
