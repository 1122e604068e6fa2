// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/grid.h"

#include <utility>

namespace velmora::model {
namespace {
const Text kEmpty;
}

bool Grid::contains(int row, int column) const {
    return row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
}

const Text& Grid::cell(int row, int column) const {
    if (!contains(row, column)) return kEmpty;
    const auto& cells = m_rows[static_cast<std::size_t>(row)];
    const auto index = static_cast<std::size_t>(column);
    return index < cells.size() ? cells[index] : kEmpty;
}

void Grid::setCell(int row, int column, Text value) {
    if (!contains(row, column)) return;
    auto& cells = m_rows[static_cast<std::size_t>(row)];
    const auto index = static_cast<std::size_t>(column);
    if (index >= cells.size()) {
        if (value.empty()) return;
        // A row's first write makes room for every column, so filling a row allocates once.
        if (cells.capacity() == 0) cells.reserve(m_columns.size());
        cells.resize(index + 1);
    }
    cells[index] = std::move(value);
}

int Grid::appendRow() {
    m_rows.emplace_back();
    return rowCount() - 1;
}

void Grid::reserveRows(int count) {
    if (count > 0) m_rows.reserve(static_cast<std::size_t>(count));
}

void Grid::removeRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    m_rows.erase(m_rows.begin() + row);
    ++m_layoutVersion;
}

void Grid::removeAllRows() {
    if (m_rows.empty()) return;
    m_rows.clear();
    ++m_layoutVersion;
}

void Grid::appendColumn(Text title, int width, Alignment alignment) {
    m_columns.push_back(GridColumn{std::move(title), width, alignment});
    ++m_layoutVersion;
}

void Grid::removeLastColumn() {
    if (m_columns.empty()) return;
    m_columns.pop_back();
    const auto count = m_columns.size();
    for (auto& cells : m_rows) {
        if (cells.size() > count) cells.resize(count);
    }
    ++m_layoutVersion;
}

void Grid::removeAllColumns() {
    while (!m_columns.empty()) removeLastColumn();
}

const Text& Grid::columnTitle(int column) const {
    if (column < 0 || column >= columnCount()) return kEmpty;
    return m_columns[static_cast<std::size_t>(column)].title;
}

void Grid::setColumnTitle(int column, Text title) {
    if (column < 0 || column >= columnCount()) return;
    m_columns[static_cast<std::size_t>(column)].title = std::move(title);
    ++m_layoutVersion;
}

Text rowAsText(const Grid& grid, int row) {
    Text line;
    if (row < 0 || row >= grid.rowCount()) return line;
    for (int column = 0; column < grid.columnCount(); ++column) {
        line += grid.cell(row, column);
        line += ' ';
    }
    return line;
}

void removeRowsFrom(Grid& grid, int row) {
    if (row < 0) return;
    for (int last = grid.rowCount() - 1; last >= row; --last) grid.removeRow(last);
}

}  // namespace velmora::model
