// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/grid.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace velmora::model {
namespace {

Grid threeByThree() {
    Grid grid;
    for (const char* title : {"a", "b", "c"}) grid.appendColumn(title);
    for (int r = 0; r < 3; ++r) {
        grid.appendRow();
        for (int c = 0; c < 3; ++c) grid.setCell(r, c, std::to_string(r) + std::to_string(c));
    }
    return grid;
}

TEST(Grid, ReadsOutsideAsEmptyAndIgnoresWritesOutside) {
    Grid grid = threeByThree();
    EXPECT_EQ(grid.cell(-1, 0), "");
    EXPECT_EQ(grid.cell(0, 3), "");
    EXPECT_EQ(grid.cell(3, 0), "");
    grid.setCell(0, 3, "x");
    grid.setCell(5, 0, "x");
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.columnCount(), 3);
    grid.appendColumn("d", 50);
    EXPECT_EQ(grid.cell(2, 3), "");  // a new column reads empty in old rows
    grid.setCell(2, 3, "z");
    EXPECT_EQ(grid.cell(2, 3), "z");
    grid.removeLastColumn();
    grid.appendColumn("d");
    EXPECT_EQ(grid.cell(2, 3), "");  // a removed column's cells do not come back
}

// Cells are packed one after another in a row, so every write in the middle moves the cells after it.
// Random writes (longer, shorter, same length, emptied, copied from the row itself) are checked against
// a plain table after each step.
TEST(Grid, EveryWriteLeavesTheOtherCellsAsTheyWere) {
    constexpr int kColumns = 7;
    Grid grid;
    for (int c = 0; c < kColumns; ++c) grid.appendColumn({});
    grid.appendRow();
    std::vector<Text> expected(kColumns);
    std::mt19937 rng(16);
    const Text values[] = {"", "x", "yz", "0123456789abcdef", text::Text(300, 'q'), "\xD5\x5C"};
    for (int step = 0; step < 2000; ++step) {
        const int column = static_cast<int>(rng() % kColumns);
        if (step % 7 == 3) {
            const int from = static_cast<int>(rng() % kColumns);
            grid.setCell(0, column, grid.cell(0, from));
            expected[static_cast<std::size_t>(column)] = expected[static_cast<std::size_t>(from)];
        } else {
            const Text& value = values[rng() % std::size(values)];
            grid.setCell(0, column, value);
            expected[static_cast<std::size_t>(column)] = value;
        }
        for (int c = 0; c < kColumns; ++c)
            ASSERT_EQ(grid.cell(0, c), expected[static_cast<std::size_t>(c)])
                << "step " << step << " column " << c;
    }
    grid.removeLastColumn();
    grid.appendColumn({});
    expected.back().clear();
    for (int c = 0; c < kColumns; ++c) EXPECT_EQ(grid.cell(0, c), expected[static_cast<std::size_t>(c)]) << c;
}

TEST(Grid, LayoutVersionMovesOnStructuralChangesOnly) {
    Grid grid = threeByThree();
    const auto before = grid.layoutVersion();
    grid.setCell(0, 0, "changed");
    grid.appendRow();
    EXPECT_EQ(grid.layoutVersion(), before);
    grid.removeRow(0);
    EXPECT_GT(grid.layoutVersion(), before);
}

TEST(GridRows, CopyAsTextEndsEveryCellWithABlank) {
    Grid grid;
    for (int c = 0; c < 3; ++c) grid.appendColumn({});
    grid.appendRow();
    grid.setCell(0, 0, "X");
    grid.setCell(0, 2, "Z");
    EXPECT_EQ(rowAsText(grid, 0), "X  Z ");
    EXPECT_EQ(rowAsText(grid, 1), "");
    Grid noColumns;
    noColumns.appendRow();
    EXPECT_EQ(rowAsText(noColumns, 0), "");
}

TEST(GridRows, RemoveFromARowDownwards) {
    Grid first = threeByThree();
    removeRowsFrom(first, 0);
    EXPECT_EQ(first.rowCount(), 0);
    Grid last = threeByThree();
    removeRowsFrom(last, 2);
    EXPECT_EQ(last.rowCount(), 2);
    EXPECT_EQ(last.cell(1, 0), "10");
    Grid middle = threeByThree();
    middle.removeRow(1);
    EXPECT_EQ(middle.cell(1, 0), "20");
    removeRowsFrom(middle, -1);
    removeRowsFrom(middle, 7);
    EXPECT_EQ(middle.rowCount(), 2);
}

}  // namespace
}  // namespace velmora::model
