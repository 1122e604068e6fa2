// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a core grid in a Qt view without one notification per appended row or changed cell.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/grid.h"

namespace velmora::app {

// What a row asks of the clerk after a comparison; shown as a soft background, never stored in the grid.
enum class RowMark : unsigned char { None, NameDiffers, CodeNotFound };

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
    // The same without marking cells: cheap enough for every refresh inside a long loop, whose changed
    // cells are shown once it has ended. Returns true when the view was rebuilt.
    bool syncRows();

    // Removes one row, or a row and every row below it, telling the view exactly what went.
    void removeGridRow(int row);
    void removeGridRowsFrom(int row);
    // Puts back the rows the last deletion took, with their marks, and returns the first of them; -1
    // when there is none to undo.
    // Any other change of the grid's rows or columns since (an import, a comparison) forgets them all,
    // as they would no longer fit.
    int undoRemoval();
    bool canUndoRemoval() const;

    // Marks `rows` (after a sync) and unmarks every other row. The marks follow deleted rows and go
    // when the grid is rebuilt.
    void markRows(const std::vector<int>& rows, RowMark mark);
    // The same for several kinds of mark at once; a row in two groups gets the later group's mark.
    void markRows(const std::vector<std::pair<std::vector<int>, RowMark>>& groups);
    // The first marked row after `row` (from the top for -1), wrapping round; -1 when none is marked.
    int nextMarkedRow(int row) const;
    RowMark rowMark(int row) const;

signals:
    // After a rebuild: the columns may have new widths.
    void columnsRebuilt();
    // After markRows.
    void marksChanged();

private:
    bool layoutChanged() const;

    model::Grid& m_grid;
    std::uint64_t m_seenVersion = 0;
    int m_seenRows = 0;
    int m_seenColumns = 0;
    std::vector<RowMark> m_marks;  // empty, or one per seen row

    struct Removal {
        int first;
        std::vector<std::vector<model::Text>> rows;  // every cell of each row taken
        std::vector<RowMark> marks;
        std::uint64_t versionAfter;  // the grid's layout right after; another means the grid moved on
    };
    void removeRows(int first, int last);
    std::vector<Removal> m_removals;
};

}  // namespace velmora::app
