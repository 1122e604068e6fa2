// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/grid_menu.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QSignalSpy>

#include "app/grid_view.h"
#include "window_fixture.h"

namespace velmora::app::testing {
namespace {

class GridMenuTest : public WindowTest {
protected:
    // Fills a grid with rows "<prefix>0".."<prefix>N-1" in column 0 and "X", "", "Z" in the first row.
    void fill(GridView& view, const char* prefix, int rows) {
        auto& grid = view.gridModel().grid();
        for (const char* title : {"a", "b", "c"}) grid.appendColumn(title);
        for (int i = 0; i < rows; ++i) grid.setCell(grid.appendRow(), 0, prefix + std::to_string(i));
        grid.setCell(0, 0, "X");
        grid.setCell(0, 2, "Z");
        view.gridModel().sync();
    }

    void rightClick(GridView& view, QPoint pos = QPoint(10, 10)) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(view.viewport(), &event);
    }

    void choose(int item) {
        QMenu& menu = m_window->gridMenu().menu();
        menu.actions().at(item)->trigger();
        menu.hide();
    }

    std::vector<std::string> column0(GridView& view) {
        std::vector<std::string> cells;
        auto& grid = view.gridModel().grid();
        for (int row = 0; row < grid.rowCount(); ++row) cells.emplace_back(grid.cell(row, 0));
        EXPECT_EQ(view.model()->rowCount(), grid.rowCount());
        return cells;
    }

    static constexpr int kCopy = 0;
    static constexpr int kDelete = 1;
    static constexpr int kDeleteBelow = 2;
};

TEST_F(GridMenuTest, RightClickPopsTheMenuUpBesideThePointerForEitherGrid) {
    for (GridView* view : {&m_window->registerView(), &m_window->sourceView()}) {
        rightClick(*view, QPoint(40, 60));
        QMenu& menu = m_window->gridMenu().menu();
        EXPECT_TRUE(menu.isVisible());
        EXPECT_EQ(m_window->gridMenu().target(), view);
        EXPECT_EQ(menu.pos(), view->viewport()->mapToGlobal(QPoint(40, 60)) + QPoint(3, 3));
        menu.hide();
    }
}

TEST_F(GridMenuTest, CopiesTheSelectedRowWithABlankAfterEveryCell) {
    for (GridView* view : {&m_window->registerView(), &m_window->sourceView()}) {
        fill(*view, "r", 2);
        view->selectRow(0);
        rightClick(*view);
        choose(kCopy);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("X  Z "));
    }
}

TEST_F(GridMenuTest, CopyWithoutSelectionEmptiesTheClipboard) {
    fill(m_window->registerView(), "r", 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    rightClick(m_window->registerView());
    choose(kCopy);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString());
}

TEST_F(GridMenuTest, DeletesOnTheGridRightClickedLast) {
    fill(m_window->registerView(), "r", 3);
    fill(m_window->sourceView(), "s", 3);
    m_window->registerView().selectRow(1);
    m_window->sourceView().selectRow(2);

    rightClick(m_window->registerView());
    rightClick(m_window->sourceView());
    choose(kDelete);
    EXPECT_EQ(column0(m_window->sourceView()), (std::vector<std::string>{"X", "s1"}));
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r1", "r2"}));

    rightClick(m_window->registerView());
    choose(kDelete);
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r2"}));
}

TEST_F(GridMenuTest, DeleteRowsBelowRemovesTheSelectedRowAndEveryRowAfterIt) {
    struct Case {
        int selected;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {-1, {"X", "r1", "r2", "r3"}},
        {0, {}},
        {2, {"X", "r1"}},
        {3, {"X", "r1", "r2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        createWindow();
        GridView& view = m_window->registerView();
        fill(view, "r", 4);
        if (c.selected >= 0) view.selectRow(c.selected);
        QSignalSpy resets(view.model(), &QAbstractItemModel::modelReset);
        rightClick(view);
        choose(kDeleteBelow);
        EXPECT_EQ(column0(view), c.left);
        EXPECT_EQ(resets.count(), 0);
    }
}

// After a deletion no row is selected, so a second click deletes nothing the clerk did not choose;
// Ctrl+Z or "撤销删除" brings the deletions back, last first, with their marks, on either grid.
TEST_F(GridMenuTest, DeletionsLeaveNoSelectionAndCanBeUndone) {
    fill(m_window->registerView(), "r", 4);
    fill(m_window->sourceView(), "s", 3);
    m_window->registerView().gridModel().markRows({1}, RowMark::NameDiffers);
    m_window->registerView().selectRow(1);
    rightClick(m_window->registerView());
    choose(kDelete);
    EXPECT_EQ(m_window->registerView().selectedRow(), -1);
    choose(kDelete);
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r2", "r3"}));
    m_window->registerView().selectRow(1);
    choose(kDeleteBelow);
    m_window->sourceView().selectRow(0);
    rightClick(m_window->sourceView());
    choose(kDelete);
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X"}));
    EXPECT_EQ(column0(m_window->sourceView()), (std::vector<std::string>{"s1", "s2"}));

    m_window->gridMenu().undoAction().trigger();  // the source grid's row
    EXPECT_EQ(column0(m_window->sourceView()), (std::vector<std::string>{"X", "s1", "s2"}));
    EXPECT_EQ(m_window->sourceView().gridModel().grid().cell(0, 2), "Z");
    m_window->gridMenu().undoAction().trigger();  // the register's rows below
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r2", "r3"}));
    m_window->gridMenu().undoAction().trigger();  // the register's single row, marked again
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r1", "r2", "r3"}));
    EXPECT_EQ(m_window->registerView().gridModel().rowMark(1), RowMark::NameDiffers);
    m_window->gridMenu().undoAction().trigger();  // nothing left: nothing changes
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r1", "r2", "r3"}));

    // A grid changed since (a new column, as a comparison adds) forgets its deletions.
    m_window->registerView().selectRow(3);
    rightClick(m_window->registerView());
    choose(kDelete);
    m_window->registerGrid().appendColumn("");
    m_window->registerView().gridModel().sync();
    m_window->gridMenu().undoAction().trigger();
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r1", "r2"}));
}

TEST_F(GridMenuTest, DeleteRowWithoutSelectionDoesNothing) {
    fill(m_window->sourceView(), "s", 2);
    rightClick(m_window->sourceView());
    choose(kDelete);
    EXPECT_EQ(column0(m_window->sourceView()), (std::vector<std::string>{"X", "s1"}));
}

TEST_F(GridMenuTest, ItemsBeforeAnyRightClickDoNothing) {
    fill(m_window->registerView(), "r", 2);
    m_window->registerView().selectRow(0);
    choose(kDeleteBelow);
    EXPECT_EQ(column0(m_window->registerView()), (std::vector<std::string>{"X", "r1"}));
}

}  // namespace
}  // namespace velmora::app::testing
