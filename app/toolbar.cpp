// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar's entries and pictures.
#include "app/toolbar.h"

#include <QAction>
#include <QFontMetrics>
#include <QIcon>
#include <QKeySequence>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace velmora::app {
namespace {

struct Entry {
    const char* caption;  // empty for a separator
    const char* picture;
    const char* shortcut;  // portable text, shown in the tooltip in the desktop's own words
};

// Both imports share one picture.
constexpr Entry kEntries[] = {
    {"", nullptr, nullptr},
    {"导入表1", ":/velmora/import.png", "Ctrl+1"},
    {"导入表2", ":/velmora/import.png", "Ctrl+2"},
    {"", nullptr, nullptr},
    {"自动填表/对比", ":/velmora/compare.png", "Ctrl+R"},
    {"导出", ":/velmora/export.png", "Ctrl+E"},
    {"", nullptr, nullptr},
    {"设置", ":/velmora/settings.png", "Ctrl+,"},
    {"帮助", ":/velmora/help.png", "F1"},
    {"关于", ":/velmora/about.png", "Shift+F1"},
    {"退出", ":/velmora/exit.png", "Ctrl+Q"},
};

}  // namespace

QString withShortcut(const QString& caption, const QKeySequence& shortcut) {
    return caption + QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) + QStringLiteral(")");
}

QToolBar* buildToolbar(QWidget* parent) {
    auto* toolbar = new QToolBar(parent);
    toolbar->setObjectName(QStringLiteral("工具条_顶部"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));

    for (const Entry& entry : kEntries) {
        if (entry.picture == nullptr) {
            toolbar->addSeparator();
            continue;
        }
        QAction* action =
            toolbar->addAction(QIcon(QString::fromUtf8(entry.picture)), QString::fromUtf8(entry.caption));
        action->setShortcut(QKeySequence(QString::fromUtf8(entry.shortcut)));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(withShortcut(action->text(), action->shortcut()));
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
