// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a core grid in a Qt view without one notification per appended row or changed cell.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>

#include "model/grid.h"

namespace velmora::app {

// The view sees the rows and columns announced so far; sync() catches up with the grid in one step.
// Cell texts become QStrings only when the view asks for them.
class GridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit GridModel(model::Grid& grid, QObject* parent = nullptr);

    model::Grid& grid() { return m_grid; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Rebuilds the view after rows or columns moved or went away; otherwise announces appended rows
    // and marks every shown cell and title as changed.
    void sync();

    // Removes one row, or a row and every row below it, telling the view exactly what went.
    void removeGridRow(int row);
    void removeGridRowsFrom(int row);

signals:
    // After a rebuild: the columns may have new widths.
    void columnsRebuilt();

private:
    bool layoutChanged() const;

    model::Grid& m_grid;
    std::uint64_t m_seenVersion = 0;
    int m_seenRows = 0;
    int m_seenColumns = 0;
};

}  // namespace velmora::app
