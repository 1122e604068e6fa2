// SPDX-License-Identifier: GPL-3.0-or-later
// The table model over a core grid.
#include "app/grid_model.h"

#include <QColor>
#include <algorithm>

#include "app/qt_text.h"

namespace velmora::app {

GridModel::GridModel(model::Grid& grid, QObject* parent)
    : QAbstractTableModel(parent),
      m_grid(grid),
      m_seenVersion(grid.layoutVersion()),
      m_seenRows(grid.rowCount()),
      m_seenColumns(grid.columnCount()) {}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_seenRows; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_seenColumns; }

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return fromGbk(m_grid.cell(index.row(), index.column()));
    if (role == Qt::BackgroundRole) {
        // Pale enough that the default black text stays easy to read; one meaning, one colour.
        switch (rowMark(index.row())) {
            case RowMark::NameDiffers:
                return QColor(255, 236, 179);
            case RowMark::CodeNotFound:
                return QColor(255, 205, 210);
            case RowMark::None:
                break;
        }
        return {};
    }
    if (role == Qt::TextAlignmentRole && index.column() < m_grid.columnCount()) {
        const bool centred = m_grid.column(index.column()).alignment == model::Alignment::Centre;
        return QVariant::fromValue(Qt::AlignVCenter | (centred ? Qt::AlignHCenter : Qt::AlignLeft));
    }
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return fromGbk(m_grid.columnTitle(section));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    // Cells are never edited in place.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool GridModel::layoutChanged() const {
    return m_grid.layoutVersion() != m_seenVersion || m_grid.columnCount() != m_seenColumns ||
           m_grid.rowCount() < m_seenRows;
}

bool GridModel::syncRows() {
    if (layoutChanged()) {
        beginResetModel();
        m_seenVersion = m_grid.layoutVersion();
        m_seenRows = m_grid.rowCount();
        m_seenColumns = m_grid.columnCount();
        m_marks.clear();
        endResetModel();
        emit columnsRebuilt();
        return true;
    }
    if (m_grid.rowCount() > m_seenRows) {
        beginInsertRows(QModelIndex(), m_seenRows, m_grid.rowCount() - 1);
        m_seenRows = m_grid.rowCount();
        endInsertRows();
    }
    return false;
}

void GridModel::sync() {
    if (syncRows() || m_seenColumns == 0) return;
    // The grid does not say which cells changed; one signal over everything lets the view repaint
    // what it shows, which costs the same.
    if (m_seenRows > 0) emit dataChanged(index(0, 0), index(m_seenRows - 1, m_seenColumns - 1));
    emit headerDataChanged(Qt::Horizontal, 0, m_seenColumns - 1);
}

void GridModel::removeGridRow(int row) { removeRows(row, row); }

void GridModel::removeGridRowsFrom(int row) {
    sync();
    removeRows(row, m_seenRows - 1);
}

void GridModel::removeRows(int first, int last) {
    sync();
    if (first < 0 || first >= m_seenRows || last < first) return;
    if (!canUndoRemoval()) m_removals.clear();
    Removal removal{first, {}, {}, 0};
    const int columns = m_grid.columnCount();
    for (int row = first; row <= last; ++row) {
        std::vector<model::Text> cells;
        cells.reserve(static_cast<std::size_t>(columns));
        for (int column = 0; column < columns; ++column) cells.emplace_back(m_grid.cell(row, column));
        removal.rows.push_back(std::move(cells));
        removal.marks.push_back(rowMark(row));
    }
    beginRemoveRows(QModelIndex(), first, last);
    if (first < static_cast<int>(m_marks.size())) {
        m_marks.erase(m_marks.begin() + first,
                      m_marks.begin() + std::min<int>(last + 1, static_cast<int>(m_marks.size())));
    }
    // From the last upwards, as the row menu's rule has it.
    if (last == m_seenRows - 1) {
        model::removeRowsFrom(m_grid, first);
    } else {
        for (int row = last; row >= first; --row) m_grid.removeRow(row);
    }
    m_seenRows = m_grid.rowCount();
    m_seenVersion = m_grid.layoutVersion();
    endRemoveRows();
    removal.versionAfter = m_seenVersion;
    m_removals.push_back(std::move(removal));
}

bool GridModel::canUndoRemoval() const {
    return !m_removals.empty() && m_removals.back().versionAfter == m_grid.layoutVersion() &&
           m_grid.columnCount() == m_seenColumns;
}

int GridModel::undoRemoval() {
    if (!canUndoRemoval()) {
        m_removals.clear();
        return -1;
    }
    sync();
    Removal removal = std::move(m_removals.back());
    m_removals.pop_back();
    const int count = static_cast<int>(removal.rows.size());
    beginInsertRows(QModelIndex(), removal.first, removal.first + count - 1);
    for (int i = 0; i < count; ++i) {
        const int row = removal.first + i;
        m_grid.insertRow(row);
        const auto& cells = removal.rows[static_cast<std::size_t>(i)];
        for (int column = 0; column < static_cast<int>(cells.size()); ++column)
            m_grid.setCell(row, column, cells[static_cast<std::size_t>(column)]);
    }
    if (!m_marks.empty()) {
        m_marks.insert(m_marks.begin() + std::min<int>(removal.first, static_cast<int>(m_marks.size())),
                       removal.marks.begin(), removal.marks.end());
    }
    m_seenRows = m_grid.rowCount();
    m_seenVersion = m_grid.layoutVersion();
    endInsertRows();
    // The grid is now as it was after the deletion before this one, which stays undoable.
    if (!m_removals.empty()) m_removals.back().versionAfter = m_seenVersion;
    return removal.first;
}

void GridModel::markRows(const std::vector<int>& rows, RowMark mark) { markRows({{rows, mark}}); }

void GridModel::markRows(const std::vector<std::pair<std::vector<int>, RowMark>>& groups) {
    sync();
    m_marks.assign(static_cast<std::size_t>(m_seenRows), RowMark::None);
    for (const auto& [rows, mark] : groups) {
        for (int row : rows) {
            if (row >= 0 && row < m_seenRows) m_marks[static_cast<std::size_t>(row)] = mark;
        }
    }
    if (m_seenRows > 0 && m_seenColumns > 0) {
        emit dataChanged(index(0, 0), index(m_seenRows - 1, m_seenColumns - 1), {Qt::BackgroundRole});
    }
    emit marksChanged();
}

int GridModel::nextMarkedRow(int row) const {
    const int rows = static_cast<int>(m_marks.size());
    for (int step = 1; step <= rows; ++step) {
        const int candidate = ((row < 0 ? -1 : row) + step) % rows;
        if (m_marks[static_cast<std::size_t>(candidate)] != RowMark::None) return candidate;
    }
    return -1;
}

RowMark GridModel::rowMark(int row) const {
    return row >= 0 && row < static_cast<int>(m_marks.size()) ? m_marks[static_cast<std::size_t>(row)]
                                                              : RowMark::None;
}

}  // namespace velmora::app
