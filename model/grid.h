// SPDX-License-Identifier: GPL-3.0-or-later
// The table behind each grid of the window: column titles and rows of GBK cell texts.
#pragma once

#include <cstdint>
#include <vector>

#include "text/rules.h"

namespace velmora::model {

using text::Text;

enum class Alignment { Left, Centre };

struct GridColumn {
    Text title;
    int width = 70;
    Alignment alignment = Alignment::Centre;
};

// A grid addressed by zero-based row and column. Reading a cell outside the grid gives the empty text,
// writing one does nothing, so callers need no bounds checks of their own. Rows store only the cells
// written so far, which keeps appending a column cheap on a 65,536-row grid.
class Grid {
public:
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    int columnCount() const { return static_cast<int>(m_columns.size()); }

    const Text& cell(int row, int column) const;
    void setCell(int row, int column, Text value);

    // Appends an empty row and returns its index.
    int appendRow();
    void reserveRows(int count);
    void removeRow(int row);
    void removeAllRows();

    void appendColumn(Text title, int width = 70, Alignment alignment = Alignment::Centre);
    void removeLastColumn();
    void removeAllColumns();
    const GridColumn& column(int index) const { return m_columns.at(static_cast<std::size_t>(index)); }
    const Text& columnTitle(int column) const;
    void setColumnTitle(int column, Text title);

    // Grows on every change that moves or removes rows or columns, so a view knows to rebuild itself.
    // Appended rows and changed cells do not count: a view picks those up by looking again.
    std::uint64_t layoutVersion() const { return m_layoutVersion; }

private:
    bool contains(int row, int column) const;

    std::vector<GridColumn> m_columns;
    std::vector<std::vector<Text>> m_rows;
    std::uint64_t m_layoutVersion = 0;
};

// Returns the row as the clipboard gets it: every cell followed by one blank, the last one included.
Text rowAsText(const Grid& grid, int row);

// Removes the row and every row below it, from the last upwards.
void removeRowsFrom(Grid& grid, int row);

}  // namespace velmora::model
