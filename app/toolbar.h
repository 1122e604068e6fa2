// SPDX-License-Identifier: GPL-3.0-or-later
// The command toolbar at the top of the window.
#pragma once

#include <QKeySequence>
#include <QString>

class QToolBar;
class QWidget;

namespace velmora::app {

// Builds the eleven entries, separators included, with 32 x 32 pictures above their captions.
// A click or a shortcut reaches the owner through QToolBar::actionTriggered with the entry.
// Each button has a shortcut, named in its tooltip; the toolbar is at least 55 pixels high and as high
// as its buttons' captions need.
QToolBar* buildToolbar(QWidget* parent);

// A command's tooltip: its caption and its shortcut in the desktop's words, "导出 (Ctrl+E)".
QString withShortcut(const QString& caption, const QKeySequence& shortcut);

}  // namespace velmora::app
