// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/grid_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "text/encoding.h"

namespace velmora::app {
namespace {

TEST(GridModel, AnnouncesAppendedRowsInOneStepWithoutAReset) {
    model::Grid grid;
    grid.appendColumn(text::gbkFromUtf8("编码"));
    GridModel gridModel(grid);
    QSignalSpy inserted(&gridModel, &QAbstractItemModel::rowsInserted);
    QSignalSpy resets(&gridModel, &QAbstractItemModel::modelReset);

    for (int i = 0; i < 1000; ++i) grid.setCell(grid.appendRow(), 0, text::gbkFromUtf8("张三"));
    EXPECT_EQ(gridModel.rowCount(), 0);  // nothing shown until the model catches up
    gridModel.sync();

    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 999);
    EXPECT_EQ(gridModel.rowCount(), 1000);
    EXPECT_EQ(gridModel.data(gridModel.index(999, 0), Qt::DisplayRole).toString(), QStringLiteral("张三"));
    EXPECT_EQ(gridModel.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("编码"));
}

TEST(GridModel, RebuildsWhenColumnsOrRowsWentAway) {
    model::Grid grid;
    grid.appendColumn("a");
    grid.appendRow();
    grid.appendRow();
    GridModel gridModel(grid);
    QSignalSpy resets(&gridModel, &QAbstractItemModel::modelReset);

    grid.appendColumn("b");  // the comparison widens the grid
    gridModel.sync();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(gridModel.columnCount(), 2);

    grid.removeAllRows();  // an import starts over
    gridModel.sync();
    EXPECT_EQ(resets.count(), 2);
    EXPECT_EQ(gridModel.rowCount(), 0);
}

TEST(GridModel, ReadsCellsChangedSinceTheLastLook) {
    model::Grid grid;
    grid.appendColumn("a", 50, model::Alignment::Centre);
    grid.appendRow();
    GridModel gridModel(grid);
    QSignalSpy changed(&gridModel, &QAbstractItemModel::dataChanged);
    grid.setCell(0, 0, text::gbkFromUtf8("未找到此编码"));
    gridModel.sync();
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(gridModel.data(gridModel.index(0, 0), Qt::DisplayRole).toString(),
              QStringLiteral("未找到此编码"));
    EXPECT_EQ(gridModel.flags(gridModel.index(0, 0)) & Qt::ItemIsEditable, Qt::NoItemFlags);
}

}  // namespace
}  // namespace velmora::app
