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

private:
    void applyColumnWidths();

    GridModel& m_model;
};

}  // namespace velmora::app
