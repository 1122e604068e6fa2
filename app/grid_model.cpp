// SPDX-License-Identifier: GPL-3.0-or-later
// The table model over a core grid.
#include "app/grid_model.h"

#include <QColor>

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

void GridModel::removeGridRow(int row) {
    sync();
    if (row < 0 || row >= m_seenRows) return;
    beginRemoveRows(QModelIndex(), row, row);
    if (row < static_cast<int>(m_marks.size())) m_marks.erase(m_marks.begin() + row);
    m_grid.removeRow(row);
    m_seenRows = m_grid.rowCount();
    m_seenVersion = m_grid.layoutVersion();
    endRemoveRows();
}

void GridModel::removeGridRowsFrom(int row) {
    sync();
    if (row < 0 || row >= m_seenRows) return;
    beginRemoveRows(QModelIndex(), row, m_seenRows - 1);
    if (row < static_cast<int>(m_marks.size())) m_marks.resize(static_cast<std::size_t>(row));
    model::removeRowsFrom(m_grid, row);
    m_seenRows = m_grid.rowCount();
    m_seenVersion = m_grid.layoutVersion();
    endRemoveRows();
}

void GridModel::markRows(const std::vector<int>& rows, RowMark mark) {
    sync();
    m_marks.assign(static_cast<std::size_t>(m_seenRows), RowMark::None);
    for (int row : rows) {
        if (row >= 0 && row < m_seenRows) m_marks[static_cast<std::size_t>(row)] = mark;
    }
    if (m_seenRows > 0 && m_seenColumns > 0) {
        emit dataChanged(index(0, 0), index(m_seenRows - 1, m_seenColumns - 1), {Qt::BackgroundRole});
    }
}

RowMark GridModel::rowMark(int row) const {
    return row >= 0 && row < static_cast<int>(m_marks.size()) ? m_marks[static_cast<std::size_t>(row)]
                                                              : RowMark::None;
}

}  // namespace velmora::app
