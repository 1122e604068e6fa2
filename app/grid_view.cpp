// SPDX-License-Identifier: GPL-3.0-or-later
// The grid view's fixed look and behaviour.
#include "app/grid_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QToolTip>
#include <QUrl>

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

    // Tab leaves the grid for the next control instead of walking its cells; Ctrl+Tab does too.
    setTabKeyNavigation(false);
    // A workbook dropped on a grid is imported as that table.
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);

    connect(&m_model, &GridModel::columnsRebuilt, this, &GridView::applyColumnWidths);
    connect(&m_model, &GridModel::marksChanged, this, &GridView::applyProblemFilter);
    // A new table has no marks yet; hiding all of it would look like an empty import.
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { setProblemRowsOnly(false); });
    applyColumnWidths();
}

int GridView::selectedRow() const {
    const auto rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void GridView::clearRowSelection() { selectionModel()->clear(); }

namespace {
// The one local file a drag carries, or empty: a drop is one table's workbook.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}
}  // namespace

bool GridView::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            key->modifiers().testFlag(Qt::ControlModifier)) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QTableView::event(event);
}

bool GridView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QTableView::viewportEvent(event);
    // The whole text of a cell its column cuts; a cell shown whole needs no tooltip.
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.isValid() ? index.data().toString() : QString();
    constexpr int kCellMargins = 8;  // the style's padding on both sides, roughly
    if (!text.isEmpty() && fontMetrics().horizontalAdvance(text) + kCellMargins > visualRect(index).width()) {
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
    } else {
        QToolTip::hideText();
    }
    return true;
}

void GridView::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void GridView::dragMoveEvent(QDragMoveEvent* event) {
    if (droppedFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void GridView::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(path);
}

void GridView::setProblemRowsOnly(bool on) {
    if (on == m_problemRowsOnly) return;
    m_problemRowsOnly = on;
    applyProblemFilter();
}

void GridView::applyProblemFilter() {
    // One repaint for the whole change, not one per row.
    setUpdatesEnabled(false);
    const int rows = m_model.rowCount();
    for (int row = 0; row < rows; ++row) {
        const bool hide = m_problemRowsOnly && m_model.rowMark(row) == RowMark::None;
        if (isRowHidden(row) != hide) setRowHidden(row, hide);
    }
    setUpdatesEnabled(true);
}

bool GridView::selectNextMarkedRow() {
    const int from = selectedRow() >= 0 ? selectedRow() : currentIndex().row();
    const int row = m_model.nextMarkedRow(from);
    if (row < 0) return false;
    selectRow(row);
    scrollTo(m_model.index(row, 0), QAbstractItemView::PositionAtCenter);
    return true;
}

void GridView::applyColumnWidths() {
    const auto& grid = m_model.grid();
    const int columns = std::min(grid.columnCount(), m_model.columnCount());
    for (int column = 0; column < columns; ++column) setColumnWidth(column, grid.column(column).width);
}

}  // namespace velmora::app
