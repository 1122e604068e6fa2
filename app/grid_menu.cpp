// SPDX-License-Identifier: GPL-3.0-or-later
// The grid row menu and its three commands.
#include "app/grid_menu.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>

#include "app/busy_flag.h"
#include "app/grid_view.h"
#include "app/qt_text.h"
#include "model/grid.h"

namespace velmora::app {

GridMenu::GridMenu(const BusyFlag& busy, QWidget* parent)
    : QObject(parent), m_busy(busy), m_menu(new QMenu(parent)) {
    m_menu->setObjectName(QStringLiteral("右键菜单"));
    connect(m_menu->addAction(QStringLiteral("复制本行")), &QAction::triggered, this, &GridMenu::copyRow);
    connect(m_menu->addAction(QStringLiteral("删除本行")), &QAction::triggered, this, &GridMenu::deleteRow);
    connect(m_menu->addAction(QStringLiteral("删除以下行")), &QAction::triggered, this,
            &GridMenu::deleteRowsBelow);
    m_menu->addSeparator();
    m_undo = m_menu->addAction(QStringLiteral("撤销删除"));
    m_undo->setShortcut(QKeySequence::Undo);
    m_undo->setShortcutContext(Qt::WindowShortcut);
    m_undo->setToolTip(QStringLiteral("撤销删除 (") + m_undo->shortcut().toString(QKeySequence::NativeText) +
                       QStringLiteral(")"));
    // Ctrl+Z works from anywhere in the window, not only while the menu is up; the settings boxes
    // keep their own undo while they have the focus.
    parent->addAction(m_undo);
    connect(m_undo, &QAction::triggered, this, &GridMenu::undoDeletion);

    // Finding a dozen marked rows among 65,536 must not take scrolling.
    m_menu->addSeparator();
    m_problemRows = m_menu->addAction(QStringLiteral("只看有问题的行"));
    m_problemRows->setCheckable(true);
    m_nextProblem = m_menu->addAction(QStringLiteral("下一处"));
    const std::pair<QAction*, QKeySequence> keys[] = {
        {m_problemRows, QKeySequence(QStringLiteral("Ctrl+F3"))},
        {m_nextProblem, QKeySequence(QStringLiteral("F3"))}};
    for (const auto& [action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(action->text() + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) +
                           QStringLiteral(")"));
        parent->addAction(action);
    }
    connect(m_problemRows, &QAction::triggered, this, [this] {
        GridView* view = commandTarget();
        if (view != nullptr) view->setProblemRowsOnly(!view->problemRowsOnly());
        m_problemRows->setChecked(view != nullptr && view->problemRowsOnly());
    });
    connect(m_nextProblem, &QAction::triggered, this, [this] {
        if (GridView* view = commandTarget()) view->selectNextMarkedRow();
    });
    // The switch shows the state of the grid it is about to act on.
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        if (GridView* view = commandTarget()) m_problemRows->setChecked(view->problemRowsOnly());
    });
}

GridView* GridMenu::commandTarget() const {
    for (GridView* view : m_views) {
        // The window's focus child, which stays while another window is active.
        if (view->window()->focusWidget() == view) return view;
    }
    return m_target;
}

void GridMenu::attach(GridView& view) {
    m_views.push_back(&view);
    connect(&view, &QWidget::customContextMenuRequested, this,
            [this, &view](const QPoint& pos) { openFor(view, pos); });
}

void GridMenu::openFor(GridView& view, const QPoint& viewportPos) {
    m_target = &view;
    // The grid right-clicked is the one the keyboard commands then act on too.
    view.setFocus(Qt::OtherFocusReason);
    // popup() returns at once, so a chosen item always finds the target already set.
    m_menu->popup(view.viewport()->mapToGlobal(viewportPos) + QPoint(3, 3));
}

void GridMenu::copyRow() {
    if (m_busy.busy() || m_target == nullptr) return;
    m_target->gridModel().sync();
    const int row = m_target->selectedRow();
    const text::Text line = row < 0 ? text::Text() : model::rowAsText(m_target->gridModel().grid(), row);
    if (auto* clipboard = QGuiApplication::clipboard()) clipboard->setText(fromGbk(line));
}

void GridMenu::deleteRow() {
    if (m_busy.busy() || m_target == nullptr) return;
    const int row = m_target->selectedRow();
    if (row < 0) return;
    m_target->gridModel().removeGridRow(row);
    m_deletedFrom.push_back(m_target);
    // The view would select the next row, and a second click would delete a row nobody chose.
    m_target->clearRowSelection();
}

void GridMenu::deleteRowsBelow() {
    if (m_busy.busy() || m_target == nullptr) return;
    const int row = m_target->selectedRow();
    if (row < 0) return;
    m_target->gridModel().removeGridRowsFrom(row);
    m_deletedFrom.push_back(m_target);
    m_target->clearRowSelection();
    QCoreApplication::processEvents();
}

void GridMenu::undoDeletion() {
    if (m_busy.busy()) return;
    while (!m_deletedFrom.empty()) {
        GridView* view = m_deletedFrom.back();
        m_deletedFrom.pop_back();
        const int first = view->gridModel().undoRemoval();
        if (first < 0) continue;
        // The rows come back where they were, unselected, in sight.
        view->scrollTo(view->model()->index(first, 0));
        return;
    }
}

}  // namespace velmora::app
