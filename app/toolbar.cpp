// SPDX-License-Identifier: GPL-3.0-or-later
// The toolbar's entries and pictures.
#include "app/toolbar.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QToolBar>

namespace velmora::app {
namespace {

struct Entry {
    const char* caption;  // empty for a separator
    const char* picture;
};

// Both imports share one picture.
constexpr Entry kEntries[] = {
    {"", nullptr},
    {"导入表1", ":/velmora/import.png"},
    {"导入表2", ":/velmora/import.png"},
    {"", nullptr},
    {"自动填表/对比", ":/velmora/compare.png"},
    {"导出", ":/velmora/export.png"},
    {"", nullptr},
    {"设置", ":/velmora/settings.png"},
    {"帮助", ":/velmora/help.png"},
    {"关于", ":/velmora/about.png"},
    {"退出", ":/velmora/exit.png"},
};

// The buttons carry no tooltip; Qt would otherwise repeat the caption in one.
class NoToolTips : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip) return true;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

QToolBar* buildToolbar(QWidget* parent) {
    auto* toolbar = new QToolBar(parent);
    toolbar->setObjectName(QStringLiteral("工具条_顶部"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setIconSize(QSize(32, 32));
    toolbar->setGeometry(0, 0, 806, 55);

    auto* filter = new NoToolTips(toolbar);
    for (const Entry& entry : kEntries) {
        if (entry.picture == nullptr) {
            toolbar->addSeparator();
            continue;
        }
        QAction* action =
            toolbar->addAction(QIcon(QString::fromUtf8(entry.picture)), QString::fromUtf8(entry.caption));
        action->setToolTip(QString());
        if (QWidget* button = toolbar->widgetForAction(action)) button->installEventFilter(filter);
    }
    return toolbar;
}

}  // namespace velmora::app
