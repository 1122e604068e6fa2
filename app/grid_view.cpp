// SPDX-License-Identifier: GPL-3.0-or-later
// The grid view's fixed look and behaviour.
#include "app/grid_view.h"

#include <QHeaderView>

namespace velmora::app {
namespace {
constexpr int kRowHeight = 18;
}

GridView::GridView(GridModel& model, QWidget* parent) : QTableView(parent), m_model(model) {
    setModel(&m_model);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setContextMenuPolicy(Qt::CustomContextMenu);

    // Uniform, fixed row heights keep scrolling through 65,536 rows cheap.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(kRowHeight);

    // The columns start at their set widths; the clerk may drag an edge wider or double-click it to
    // fit a column to its texts.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    // A right-click on the header counts as a right-click on the list.
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(horizontalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit customContextMenuRequested(viewport()->mapFromGlobal(horizontalHeader()->mapToGlobal(pos)));
    });

    connect(&m_model, &GridModel::columnsRebuilt, this, &GridView::applyColumnWidths);
    applyColumnWidths();
}

int GridView::selectedRow() const {
    const auto rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void GridView::applyColumnWidths() {
    const auto& grid = m_model.grid();
    const int columns = std::min(grid.columnCount(), m_model.columnCount());
    for (int column = 0; column < columns; ++column) setColumnWidth(column, grid.column(column).width);
}

}  // namespace velmora::app
