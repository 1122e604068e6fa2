// SPDX-License-Identifier: GPL-3.0-or-later
// The row menu shared by both grids: copy the selected row, delete it, or delete it and all below.
#pragma once

#include <QObject>
#include <QPoint>
#include <vector>

class QAction;
class QMenu;

namespace velmora::app {

class BusyFlag;
class GridView;

class GridMenu : public QObject {
    Q_OBJECT

public:
    GridMenu(const BusyFlag& busy, QWidget* parent);

    QMenu& menu() { return *m_menu; }
    // Follows right-clicks on `view`: each one makes it the menu's target and pops the menu up.
    void attach(GridView& view);
    // The grid that was right-clicked last; null before the first right-click.
    GridView* target() const { return m_target; }

    // Put the selected row's text on the clipboard (empty text when no row is selected).
    void copyRow();
    void deleteRow();
    void deleteRowsBelow();
    // Puts back the rows of the last deletion still undoable, on whichever grid it was.
    void undoDeletion();
    QAction& undoAction() { return *m_undo; }
    // Both act on the grid with the keyboard focus, else on the one right-clicked last.
    QAction& problemRowsAction() { return *m_problemRows; }
    QAction& nextProblemAction() { return *m_nextProblem; }

private:
    void openFor(GridView& view, const QPoint& viewportPos);

    const BusyFlag& m_busy;
    QMenu* m_menu;
    GridView* m_target = nullptr;
    GridView* commandTarget() const;

    QAction* m_undo;
    QAction* m_problemRows;
    QAction* m_nextProblem;
    std::vector<GridView*> m_views;
    std::vector<GridView*> m_deletedFrom;  // the grid of each deletion, the last one last
};

}  // namespace velmora::app
