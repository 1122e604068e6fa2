// SPDX-License-Identifier: GPL-3.0-or-later
#include "reconcile/reconcile.h"

#include <gtest/gtest.h>

#include <random>

#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::reconcile {
namespace {

using model::Grid;
using text::Text;

Text gbk(const char* utf8) { return text::gbkFromUtf8(utf8); }

Grid makeGrid(int columns, const std::vector<std::vector<Text>>& rows) {
    Grid grid;
    for (int c = 0; c < columns; ++c) grid.appendColumn("h" + std::to_string(c));
    for (const auto& cells : rows) {
        const int r = grid.appendRow();
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) grid.setCell(r, c, cells[c]);
    }
    return grid;
}

std::vector<std::vector<Text>> contents(const Grid& grid) {
    std::vector<std::vector<Text>> rows;
    for (int r = 0; r < grid.rowCount(); ++r) {
        auto& cells = rows.emplace_back();
        for (int c = 0; c < grid.columnCount(); ++c) cells.emplace_back(grid.cell(r, c));
    }
    return rows;
}

// The straightforward pass: a linear scan of the register for every source row, reading every cell
// afresh, with the register's own marker column when the last column would hold a copied figure.
ReconcileResult scanReference(Grid& reg, Grid& src, int n) {
    ReconcileResult result;
    const int r1 = reg.rowCount(), r2 = src.rowCount(), c1 = reg.columnCount(), c2 = src.columnCount();
    for (int i = c1; i < c2; ++i) reg.appendColumn({}, 50);
    if (reg.columnCount() == c1) reg.appendColumn({}, 50);
    src.appendColumn({}, 50);
    if (reg.columnCount() - 1 >= 2 && reg.columnCount() - 1 <= static_cast<long long>(n) + 1)
        reg.appendColumn({}, 50);
    const int regMarker = reg.columnCount() - 1, srcMarker = src.columnCount() - 1;
    for (int s = 0; s < r2; ++s) {
        const Text code(src.cell(s, 0)), name2(src.cell(s, 1));
        int t = -1;
        for (int row = 0; row < r1 && t < 0; ++row) {
            if (text::compareText(reg.cell(row, 0), code) == 0) t = row;
        }
        if (t >= 0) {
            for (int m = 1; m <= std::min(n, 300); ++m) {
                if (m + 1 != regMarker) reg.setCell(t, m + 1, src.cell(s, m + 1));
            }
            const Text name1(reg.cell(t, 1));
            if (name1 != name2) {
                result.mismatchList += text::join(phrases::mismatchEntryRegister(), name1, ", ", code, "\r\n",
                                                  phrases::mismatchEntrySource(), name2, ", ", code, "\r\n");
                ++result.mismatchCount;
                result.mismatchSourceRows.push_back(s);
                reg.setCell(t, regMarker, gbk("表2姓名为:") + name2);
                src.setCell(s, srcMarker, gbk("表1姓名为:") + name1);
            }
        } else {
            result.notFoundList += text::join(phrases::notFoundEntry(), name2, ", ", code, "\r\n");
            ++result.notFoundCount;
            result.notFoundSourceRows.push_back(s);
            src.setCell(s, srcMarker, gbk("未找到此编码"));
        }
    }
    return result;
}

TEST(AutoFill, MatchesTheLinearScanOnRandomGrids) {
    std::mt19937 random(20261207);
    const std::vector<Text> codes = {"", "A1", "A1 ", "a1", "B2", "0123", "123", gbk("东")};
    const std::vector<Text> names = {"", gbk("张三"), gbk("李四"), "x"};
    auto pick = [&](const std::vector<Text>& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 400; ++round) {
        const int c1 = static_cast<int>(random() % 6), c2 = static_cast<int>(random() % 7);
        auto randomRows = [&](int rows, int columns) {
            std::vector<std::vector<Text>> cells(rows);
            for (auto& row : cells) {
                for (int c = 0; c < columns; ++c) {
                    row.push_back(c == 0   ? pick(codes)
                                  : c == 1 ? pick(names)
                                           : std::to_string(random() % 100));
                }
            }
            return cells;
        };
        Grid reg = makeGrid(c1, randomRows(static_cast<int>(random() % 12), c1));
        Grid src = makeGrid(c2, randomRows(static_cast<int>(random() % 12), c2));
        const int fill = static_cast<int>(random() % 9) - 2;
        Grid regRef = reg, srcRef = src;
        model::Progress progress;
        // An index made ahead for this register, or one made for another grid, which must go unused.
        const RegisterIndex own(reg), other(regRef);
        const RegisterIndex* index = round % 3 == 0 ? nullptr : round % 3 == 1 ? &own : &other;
        const ReconcileResult got = autoFillAndCompare(reg, src, fill, progress, index);
        const ReconcileResult want = scanReference(regRef, srcRef, fill);
        ASSERT_EQ(contents(reg), contents(regRef)) << "round " << round;
        ASSERT_EQ(contents(src), contents(srcRef)) << "round " << round;
        ASSERT_EQ(reg.columnCount(), regRef.columnCount());
        ASSERT_EQ(got.notFoundCount, want.notFoundCount);
        ASSERT_EQ(got.mismatchCount, want.mismatchCount);
    }
}

// A payment list of many thousand rows is filled on two threads, split by register row; grids, lists
// and rows must come out as the straightforward pass gives them, repeated codes and names included.
TEST(AutoFill, FillsALargeListOnTwoThreadsAsOnOne) {
    std::mt19937 random(8122026);
    const std::vector<Text> names = {gbk("张三"), gbk("李四"), "x"};
    for (const int fill : {3, 0, 12}) {
        SCOPED_TRACE(fill);
        std::vector<std::vector<Text>> registerRows, sourceRows;
        for (int r = 0; r < 300; ++r)
            registerRows.push_back({"C" + std::to_string(random() % 400), names[random() % names.size()]});
        for (int r = 0; r < 9000; ++r) {
            std::vector<Text> row = {"C" + std::to_string(random() % 450), names[random() % names.size()]};
            for (int c = 2; c < 6; ++c) row.push_back(std::to_string(random() % 100000) + ".5");
            sourceRows.push_back(std::move(row));
        }
        Grid reg = makeGrid(5, registerRows), src = makeGrid(6, sourceRows);
        Grid regRef = reg, srcRef = src;
        model::Progress progress;
        const RegisterIndex index(reg);
        const ReconcileResult got = autoFillAndCompare(reg, src, fill, progress, &index);
        const ReconcileResult want = scanReference(regRef, srcRef, fill);
        ASSERT_EQ(contents(reg), contents(regRef));
        ASSERT_EQ(contents(src), contents(srcRef));
        EXPECT_EQ(got.notFoundList, want.notFoundList);
        EXPECT_EQ(got.mismatchList, want.mismatchList);
        EXPECT_EQ(got.notFoundSourceRows, want.notFoundSourceRows);
        EXPECT_EQ(got.mismatchSourceRows, want.mismatchSourceRows);
        EXPECT_GT(got.mismatchCount, 1000);
        EXPECT_GT(got.notFoundCount, 100);
    }
}

TEST(AutoFill, WritesTheExactListsAndSummary) {
    Grid reg = makeGrid(4, {{"001", gbk("张三")}, {"002", gbk("李四")}, {"001", gbk("王五")}});
    Grid src = makeGrid(4, {{"002", gbk("李四"), "10", "20"},
                            {"001", gbk("张叁"), "30", "40"},
                            {"009", gbk("赵六"), "50", "60"},
                            {"001", gbk("张三"), "70", "80"}});
    model::Progress progress;
    const ReconcileResult result = autoFillAndCompare(reg, src, 2, progress);
    EXPECT_EQ(result.summary, gbk("结果提示:未找到的一卡通编码有1个, 姓名不符的有1个. "));
    EXPECT_EQ(result.notFoundList, gbk("未找到的表2姓名为: 赵六, 009\r\n"));
    EXPECT_EQ(result.mismatchList, gbk("表1姓名为: 张三, 001\r\n表2姓名为: 张叁, 001\r\n"));
    // The last 001 in the source wins the figures; the later 001 register row is never touched.
    EXPECT_EQ(contents(reg),
              (std::vector<std::vector<Text>>{{"001", gbk("张三"), "70", "80", gbk("表2姓名为:张叁")},
                                              {"002", gbk("李四"), "10", "20", ""},
                                              {"001", gbk("王五"), "", "", ""}}));
    EXPECT_EQ(src.cell(1, 4), gbk("表1姓名为:张三"));
    EXPECT_EQ(src.cell(2, 4), gbk("未找到此编码"));
    EXPECT_EQ(progress.position(), 0);
    EXPECT_EQ(progress.status(), "");
}

TEST(AutoFill, KeepsEveryFigureWhenTheRegisterIsNarrow) {
    // Code, name and three figures in the source, an empty two-column register, three figures to fill.
    Grid reg = makeGrid(2, {{"7", "a"}});
    Grid src = makeGrid(5, {{"7", "b", "1.5", "2.5", "3.5"}});
    model::Progress progress;
    autoFillAndCompare(reg, src, 3, progress);
    ASSERT_EQ(reg.columnCount(), 6);
    ASSERT_EQ(src.columnCount(), 6);
    EXPECT_EQ(contents(reg)[0], (std::vector<Text>{"7", "a", "1.5", "2.5", "3.5", gbk("表2姓名为:b")}));
    EXPECT_EQ(src.cell(0, 5), gbk("表1姓名为:a"));
}

TEST(AutoFill, WidensAsTheLayoutRequires) {
    struct Case {
        int c1, c2;
        int fill;
        int registerColumns, sourceColumns;
    };
    for (const Case& c : {Case{5, 3, 1, 6, 4}, Case{2, 5, 3, 6, 6}, Case{2, 5, 2, 5, 6}, Case{2, 5, 0, 5, 6},
                          Case{0, 0, 0, 1, 1}, Case{3, 3, -4, 4, 4}}) {
        Grid reg = makeGrid(c.c1, {}), src = makeGrid(c.c2, {});
        model::Progress progress;
        const ReconcileResult result = autoFillAndCompare(reg, src, c.fill, progress);
        EXPECT_EQ(reg.columnCount(), c.registerColumns) << c.c1 << "," << c.c2 << "," << c.fill;
        EXPECT_EQ(src.columnCount(), c.sourceColumns) << c.c1 << "," << c.c2 << "," << c.fill;
        EXPECT_EQ(result.summary, gbk("结果提示:未找到的一卡通编码有0个, 姓名不符的有0个. "));
        EXPECT_TRUE(result.notFoundList.empty() && result.mismatchList.empty());
    }
}

TEST(AutoFill, FillCountBelowOneCopiesNothingButStillCompares) {
    for (int fill : {0, -2}) {
        Grid reg = makeGrid(3, {{"1", "a", ""}});
        Grid src = makeGrid(3, {{"1", "b", "9"}, {"2", "c", "8"}});
        model::Progress progress;
        const ReconcileResult result = autoFillAndCompare(reg, src, fill, progress);
        EXPECT_EQ(reg.cell(0, 2), "") << fill;
        EXPECT_EQ(result.mismatchCount, 1) << fill;
        EXPECT_EQ(result.notFoundCount, 1) << fill;
    }
}

TEST(AutoFill, HugeFillCountCopiesWhatExists) {
    Grid reg = makeGrid(4, {{"1", "a"}});
    Grid src = makeGrid(3, {{"1", "a", "5"}});
    model::Progress progress;
    autoFillAndCompare(reg, src, 2147483647, progress);
    EXPECT_EQ(contents(reg)[0], (std::vector<Text>{"1", "a", "5", "", "", ""}));
}

TEST(AutoFill, MatchesCodesByExactBytes) {
    Grid reg = makeGrid(2, {{"A1", "n"}, {"", "empty"}});
    Grid src = makeGrid(2, {{"A1 ", "n"}, {"a1", "n"}, {"", "empty"}, {"", "other"}});
    model::Progress progress;
    const ReconcileResult result = autoFillAndCompare(reg, src, 1, progress);
    EXPECT_EQ(result.notFoundCount, 2);  // the trailing blank and the lower-case code
    EXPECT_EQ(result.mismatchCount, 1);  // the second empty code meets the empty-code row
}

TEST(AutoFill, SecondRunAddsNewMarkerColumnsAndKeepsTheOldOnes) {
    Grid reg = makeGrid(3, {{"1", "a", ""}});
    Grid src = makeGrid(3, {{"1", "b", "4"}, {"2", "c", "5"}});
    model::Progress progress;
    autoFillAndCompare(reg, src, 1, progress);
    const ReconcileResult second = autoFillAndCompare(reg, src, 1, progress);
    EXPECT_EQ(reg.columnCount(), 5);
    EXPECT_EQ(src.columnCount(), 5);
    EXPECT_EQ(reg.cell(0, 3), gbk("表2姓名为:b"));
    EXPECT_EQ(reg.cell(0, 4), gbk("表2姓名为:b"));
    EXPECT_EQ(src.cell(1, 3), gbk("未找到此编码"));
    EXPECT_EQ(src.cell(1, 4), gbk("未找到此编码"));
    EXPECT_EQ(second.notFoundCount, 1);
    EXPECT_EQ(second.mismatchCount, 1);
}

TEST(AutoFill, EmptyRegisterFindsNothing) {
    Grid reg = makeGrid(2, {});
    Grid src = makeGrid(2, {{"1", "a"}, {"2", "b"}});
    model::Progress progress;
    const ReconcileResult result = autoFillAndCompare(reg, src, 1, progress);
    EXPECT_EQ(result.notFoundList, gbk("未找到的表2姓名为: a, 1\r\n未找到的表2姓名为: b, 2\r\n"));
    EXPECT_EQ(reg.columnCount(), 4);
}

}  // namespace
}  // namespace velmora::reconcile
