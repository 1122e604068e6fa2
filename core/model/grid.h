// SPDX-License-Identifier: GPL-3.0-or-later
// The table behind each grid of the window: column titles and rows of GBK cell texts.
#pragma once

#include <cstdint>
#include <string_view>
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
// writing one does nothing, so callers need no bounds checks of their own. A row stores only the cells
// that hold text, packed one after another, so a grid costs memory by its cells and their bytes, never
// by rows times declared columns, and appending a column is cheap on a 65,536-row grid.
class Grid {
public:
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    int columnCount() const { return static_cast<int>(m_columns.size()); }

    // The view stays valid until the row is next written or removed; an empty one still points somewhere.
    std::string_view cell(int row, int column) const {
        // Inline for a row filled from the first column on, which holds cell c in slot c: exports and
        // the comparison read every cell of such rows in turn.
        if (row >= 0 && row < rowCount() && column >= 0 && column < columnCount()) {
            const Row& cells = m_rows[static_cast<std::size_t>(row)];
            const auto wanted = static_cast<std::uint32_t>(column);
            if (wanted < cells.ends.size() && cells.ends[wanted].column == wanted) {
                const std::uint32_t start = wanted == 0 ? 0 : cells.ends[wanted - 1].end;
                return {cells.text.data() + start, cells.ends[wanted].end - start};
            }
        }
        return searchedCell(row, column);
    }
    // Asks for the row's bookkeeping ahead of reading it, for loops that visit rows in random order.
    void prefetchRow(int row) const {
        if (row >= 0 && row < rowCount()) __builtin_prefetch(&m_rows[static_cast<std::size_t>(row)]);
    }
    // An empty value removes the cell.
    void setCell(int row, int column, std::string_view value);
    // Makes room in the row for `cells` more cells of `bytes` bytes in all, so filling it allocates once.
    void reserveCells(int row, int cells, std::size_t bytes);

    // Appends an empty row and returns its index.
    int appendRow();
    // Moves every row of `rows` (filled with this grid's columns) to the end of this grid, in order.
    void appendRows(Grid&& rows);
    void reserveRows(int count);
    void removeRow(int row);
    // Puts an empty row at `row` (0 to rowCount()); the rows from there move down by one.
    void insertRow(int row);
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
    // A row's cells in increasing column order: cell i's text ends at ends[i].end in `text` and starts
    // where cell i - 1's ends. Both grow by a quarter at a time, so a full row wastes little room.
    struct Slot {
        std::uint32_t end;
        std::uint32_t column;
    };
    struct Row {
        std::vector<Slot> ends;
        std::vector<char> text;
    };

    bool contains(int row, int column) const;
    std::string_view searchedCell(int row, int column) const;
    static std::size_t slotIndex(const Row& row, int column);
    static std::uint32_t startOf(const Row& row, std::size_t index);

    std::vector<GridColumn> m_columns;
    std::vector<Row> m_rows;
    std::uint64_t m_layoutVersion = 0;
};

// Returns the row as the clipboard gets it: every cell followed by one blank, the last one included.
Text rowAsText(const Grid& grid, int row);

// Removes the row and every row below it, from the last upwards.
void removeRowsFrom(Grid& grid, int row);

}  // namespace velmora::model
