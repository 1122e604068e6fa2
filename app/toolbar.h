// SPDX-License-Identifier: GPL-3.0-or-later
// The command toolbar at the top of the window.
#pragma once

#include <QKeySequence>
#include <QString>

class QToolBar;
class QWidget;

namespace velmora::app {

class Commands;

// Builds the eleven entries, separators included: the commands' actions, with 32 x 32 pictures above
// their captions. A click or a shortcut triggers the action itself. The toolbar is at least 55 pixels
// high and as high as its buttons' captions need.
QToolBar* buildToolbar(QWidget* parent, const Commands& commands);

// A command's tooltip: its caption and its shortcut in the desktop's words, "导出 (Ctrl+E)".
QString withShortcut(const QString& caption, const QKeySequence& shortcut);

}  // namespace velmora::app
