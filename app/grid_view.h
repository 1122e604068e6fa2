// SPDX-License-Identifier: GPL-3.0-or-later
// A report-style list over a grid model: whole-row single selection, movable headers, no editing.
#pragma once

#include <QTableView>

#include "app/grid_model.h"

namespace velmora::app {

class GridView : public QTableView {
    Q_OBJECT

public:
    GridView(GridModel& model, QWidget* parent);

    GridModel& gridModel() { return m_model; }
    // The selected row, or -1 when no row is selected.
    int selectedRow() const;
    // Leaves no row selected and no current row.
    void clearRowSelection();

    // Shows only the rows a comparison marked, or every row again. A new table shows every row.
    void setProblemRowsOnly(bool on);
    bool problemRowsOnly() const { return m_problemRowsOnly; }
    // Selects and shows the next marked row after the selected one, wrapping round; false when no row
    // is marked.
    bool selectNextMarkedRow();

signals:
    // A local file was dropped on the grid.
    void fileDropped(const QString& path);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void applyColumnWidths();

    void applyProblemFilter();

    GridModel& m_model;
    bool m_problemRowsOnly = false;
};

}  // namespace velmora::app
