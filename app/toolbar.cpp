// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar's entries and pictures.
#include "app/toolbar.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeySequence>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <optional>

#include "app/commands.h"

namespace velmora::app {
namespace {

// The buttons in order; an empty entry is a separator.
constexpr std::optional<Command> kButtons[] = {
    std::nullopt,     Command::ImportRegister, Command::ImportSource, std::nullopt,
    Command::Compare, Command::Export,         std::nullopt,          Command::ToggleSettings,
    Command::Help,    Command::About,          Command::Exit,
};

}  // namespace

QString withShortcut(const QString& caption, const QKeySequence& shortcut) {
    return caption + QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) + QStringLiteral(")");
}

QToolBar* buildToolbar(QWidget* parent, const Commands& commands) {
    auto* toolbar = new QToolBar(parent);
    toolbar->setObjectName(QStringLiteral("工具条_顶部"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));

    for (const std::optional<Command>& command : kButtons) {
        if (!command) {
            toolbar->addSeparator();
            continue;
        }
        QAction* action = &commands.action(*command);
        toolbar->addAction(action);
        if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(action))) {
            // Reachable by Tab like every other control; a toolbar leaves its buttons out by default.
            button->setFocusPolicy(Qt::TabFocus);
            // The caption under the picture is measured in the font it is drawn in, so a larger font
            // or another script never cuts it.
            const QFontMetrics metrics(button->font());
            const QSize text = metrics.size(Qt::TextSingleLine, action->text());
            button->setMinimumSize(std::max(text.width(), 32) + 12, 32 + text.height() + 8);
        }
    }
    // At least the usual 55 pixels; more when the font needs it, and the controls below move down.
    toolbar->setGeometry(0, 0, 806, std::max(55, toolbar->sizeHint().height()));
    return toolbar;
}

}  // namespace velmora::app
