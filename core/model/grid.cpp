// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/grid.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace velmora::model {
namespace {
const Text kEmpty;
// Never a null pointer: callers may hand an empty cell's bytes to C interfaces that read NULL as "no value".
constexpr std::string_view kNoText("");
}  // namespace

bool Grid::contains(int row, int column) const {
    return row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
}

// The first slot at or after `column`. Rows filled from the first column on hold cell c in slot c,
// which is checked before searching.
std::size_t Grid::slotIndex(const Row& row, int column) {
    const auto wanted = static_cast<std::uint32_t>(column);
    const auto& ends = row.ends;
    if (wanted < ends.size() && ends[wanted].column == wanted) return wanted;
    if (ends.empty() || ends.back().column < wanted) return ends.size();
    return static_cast<std::size_t>(
        std::lower_bound(ends.begin(), ends.end(), wanted,
                         [](const Slot& slot, std::uint32_t c) { return slot.column < c; }) -
        ends.begin());
}

std::uint32_t Grid::startOf(const Row& row, std::size_t index) {
    return index == 0 ? 0 : row.ends[index - 1].end;
}

std::string_view Grid::searchedCell(int row, int column) const {
    if (!contains(row, column)) return kNoText;
    const Row& cells = m_rows[static_cast<std::size_t>(row)];
    const std::size_t index = slotIndex(cells, column);
    if (index == cells.ends.size() || cells.ends[index].column != static_cast<std::uint32_t>(column))
        return kNoText;
    const std::uint32_t start = startOf(cells, index);
    return {cells.text.data() + start, cells.ends[index].end - start};
}

namespace {

// Grows by a quarter at least: appending cell after cell copies each byte a few times only, and a
// full row is left with little spare room.
template <typename T>
void makeRoom(std::vector<T>& items, std::size_t more) {
    const std::size_t needed = items.size() + more;
    if (needed > items.capacity())
        items.reserve(std::max(needed, items.capacity() + items.capacity() / 4 + 4));
}

}  // namespace

void Grid::reserveCells(int row, int cells, std::size_t bytes) {
    if (row < 0 || row >= rowCount() || cells <= 0) return;
    Row& target = m_rows[static_cast<std::size_t>(row)];
    target.ends.reserve(target.ends.size() + static_cast<std::size_t>(cells));
    target.text.reserve(target.text.size() + bytes);
}

void Grid::setCell(int row, int column, std::string_view value) {
    if (!contains(row, column)) return;
    Row& cells = m_rows[static_cast<std::size_t>(row)];
    // A value taken from this very row would move under the write; it is copied first.
    if (!value.empty() && !cells.text.empty() && value.data() >= cells.text.data() &&
        value.data() < cells.text.data() + cells.text.size()) {
        const Text copy(value);
        setCell(row, column, copy);
        return;
    }
    const auto wanted = static_cast<std::uint32_t>(column);
    const std::size_t index = slotIndex(cells, column);
    const bool present = index < cells.ends.size() && cells.ends[index].column == wanted;
    if (!present && value.empty()) return;
    const std::uint32_t start = startOf(cells, index);
    const std::size_t oldLength = present ? cells.ends[index].end - start : 0;
    if (cells.text.size() - oldLength + value.size() > UINT32_MAX) throw std::length_error("grid row");

    if (index == cells.ends.size()) {  // a new last cell: the usual way a row is filled
        makeRoom(cells.text, value.size());
        makeRoom(cells.ends, 1);
        cells.text.insert(cells.text.end(), value.begin(), value.end());
        cells.ends.push_back({static_cast<std::uint32_t>(cells.text.size()), wanted});
        return;
    }
    if (value.size() > oldLength) makeRoom(cells.text, value.size() - oldLength);
    const auto at = cells.text.begin() + start;
    const auto kept = static_cast<std::ptrdiff_t>(std::min(oldLength, value.size()));
    std::copy(value.begin(), value.begin() + kept, at);
    if (value.size() > oldLength) {
        cells.text.insert(at + kept, value.begin() + kept, value.end());
    } else {
        cells.text.erase(at + kept, at + static_cast<std::ptrdiff_t>(oldLength));
    }
    if (!present) {
        makeRoom(cells.ends, 1);
        cells.ends.insert(cells.ends.begin() + static_cast<std::ptrdiff_t>(index), Slot{start, wanted});
    } else if (value.empty()) {
        cells.ends.erase(cells.ends.begin() + static_cast<std::ptrdiff_t>(index));
    }
    // Every later cell moves by the change in length (modulo 2^32, which comes out exact).
    const auto delta = static_cast<std::uint32_t>(value.size() - oldLength);
    for (std::size_t i = index; i < cells.ends.size(); ++i) cells.ends[i].end += delta;
}

int Grid::appendRow() {
    m_rows.emplace_back();
    return rowCount() - 1;
}

void Grid::appendRows(Grid&& rows) {
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.m_rows.begin()),
                  std::make_move_iterator(rows.m_rows.end()));
    rows.m_rows.clear();
}

void Grid::reserveRows(int count) {
    if (count > 0) m_rows.reserve(static_cast<std::size_t>(count));
}

void Grid::removeRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    m_rows.erase(m_rows.begin() + row);
    ++m_layoutVersion;
}

void Grid::insertRow(int row) {
    if (row < 0 || row > rowCount()) return;
    m_rows.emplace(m_rows.begin() + row);
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
    const auto count = static_cast<std::uint32_t>(m_columns.size());
    for (Row& cells : m_rows) {
        if (cells.ends.empty() || cells.ends.back().column < count) continue;
        const std::size_t keep = slotIndex(cells, static_cast<int>(count));
        cells.ends.resize(keep);
        cells.text.resize(startOf(cells, keep));
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
