// SPDX-License-Identifier: GPL-3.0-or-later
// Reading workbooks written by other programs: sheet lists and the kind and value of each cell.
#include <gtest/gtest.h>

#include <cmath>

#include "text/encoding.h"
#include "xls/workbook.h"

namespace velmora::xls {
namespace {

std::string fixture(const char* name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }

Workbook openFixture(const char* name) {
    failure::Failure error;
    std::optional<Workbook> workbook = Workbook::open(text::FilePath(fixture(name)), error);
    EXPECT_TRUE(workbook) << name << " error " << static_cast<int>(error.reason());
    return workbook ? std::move(*workbook) : Workbook();
}

Sheet readFixtureSheet(const Workbook& workbook, std::size_t index) {
    failure::Failure error;
    std::optional<Sheet> sheet = workbook.readSheet(index, error);
    EXPECT_TRUE(sheet) << "sheet " << index << " error " << static_cast<int>(error.reason());
    return sheet ? std::move(*sheet) : Sheet();
}

struct ExpectedCell {
    int row;
    int column;
    CellKind kind;
    double number;     // Number, DateTime, Boolean
    const char* text;  // Text, in UTF-8
    int errorCode;     // Error
};

constexpr auto T = CellKind::Text;
constexpr auto N = CellKind::Number;
constexpr auto D = CellKind::DateTime;
constexpr auto B = CellKind::Boolean;
constexpr auto E = CellKind::Error;
constexpr auto X = CellKind::Empty;

void expectCells(const Sheet& sheet, const std::vector<ExpectedCell>& cells, const char* where) {
    for (const ExpectedCell& want : cells) {
        const Cell& got = sheet.cell(want.row, want.column);
        SCOPED_TRACE(::testing::Message() << where << " cell " << want.row << "," << want.column);
        EXPECT_EQ(got.kind, want.kind);
        if (want.kind == T) {
            EXPECT_EQ(text::utf8FromGbk(got.text), want.text);
        } else if (want.kind == E) {
            EXPECT_EQ(got.errorCode, want.errorCode);
        } else if (want.kind != X) {
            EXPECT_DOUBLE_EQ(got.number, want.number);
        }
    }
}

struct FixtureCase {
    const char* file;
    bool uses1904;
    std::vector<const char*> sheetNames;  // UTF-8
    std::size_t sheetIndex;
    int rowCount;
    int columnCount;
    std::vector<ExpectedCell> cells;
};

// Cells that the formulas fixtures share in both their BIFF8 and their BIFF5 form.
const std::vector<ExpectedCell> kFormulaCells = {
    {0, 0, T, 0, "一卡通发放清册", 0},  // merged title
    {1, 0, T, 0, "单位：西河乡", 0},
    {2, 1, N, 42, "", 0},         // RK integer
    {3, 1, N, -7, "", 0},         // RK negative integer
    {4, 1, N, 1.23, "", 0},       // RK scaled by 100
    {5, 1, N, -0.5, "", 0},       // RK float
    {6, 1, N, 123456.78, "", 0},  // RK scaled float
    {7, 1, N, 0, "", 0},
    {8, 1, N, 3.141592653589793, "", 0},
    {2, 2, N, 1250.5, "", 0},  // #,##0.00 is no date
    {3, 2, N, 2.5, "", 0},     // a quoted "dm" holds no date letter that counts
    {10, 0, D, 41590, "", 0},  // yyyy-mm-dd
    {10, 1, D, 45351.573263888888, "", 0},
    {10, 2, D, 1.5, "", 0},  // [h]:mm
    {11, 0, B, 1, "", 0},
    {11, 1, B, 0, "", 0},
    {12, 0, N, 84, "", 0},       // formula, number result
    {12, 1, T, 0, "卡号A1", 0},  // formula, text result from STRING
    {12, 2, E, 0, "", 0x07},     // formula, #DIV/0!
    {12, 3, B, 1, "", 0},        // formula, boolean result
    {12, 4, T, 0, "", 0},        // formula, empty text
    {12, 5, D, 41591, "", 0},    // formula with a date format
    {12, 6, E, 0, "", 0x2A},     // formula, #N/A
    {13, 0, T, 0, "Latin-1: café", 0},
    {14, 0, N, 0, "", 0},
    {14, 4, N, 40, "", 0},
    {15, 3, T, 0, "after gap", 0},
    {15, 0, X, 0, "", 0},
};

// Every cell of the older-version fixtures, as python3-xlrd 1.2.0 reads them (the three hold the same
// sheet, saved as BIFF2, BIFF3 and BIFF4; 1904 date system, Mac code page).
const std::vector<ExpectedCell> kOlderVersionCells = {
    {0, 0, N, 1, "", 0},
    {0, 1, T, 0, "Hi", 0},
    {0, 2, N, 10.220000000000001, "", 0},
    {0, 3, N, 14.754317602356753, "", 0},
    {0, 4, N, 21.04107572533686, "", 0},
    {1, 0, N, 2, "", 0},
    {1, 1, T, 0, "How", 0},
    {1, 2, D, 37673, "", 0},
    {1, 3, N, 14.754317602356753, "", 0},
    {1, 4, N, 43.04107572533686, "", 0},
    {2, 0, N, 3, "", 0},
    {2, 1, T, 0, "are", 0},
    {2, 2, D, 35813, "", 0},
    {2, 3, N, 14.754317602356753, "", 0},
    {2, 4, N, 65.041075725336867, "", 0},
    {3, 0, N, 4, "", 0},
    {3, 1, T, 0, "you doing", 0},
    {3, 2, T, 0, "Saturday", 0},
    {3, 3, N, 14.754317602356753, "", 0},
    {3, 4, N, 87.041075725336867, "", 0},
    {4, 0, N, 5, "", 0},
    {4, 1, T, 0, "on", 0},
    {4, 2, N, 0.33000000000000002, "", 0},
    {4, 3, N, 14.754317602356753, "", 0},
    {4, 4, N, 109.04107572533687, "", 0},
    {5, 0, N, 6, "", 0},
    {5, 1, T, 0, "this merry", 0},
    {5, 2, N, 19, "", 0},
    {5, 3, N, 14.754317602356753, "", 0},
    {5, 4, N, 131.04107572533687, "", 0},
    {6, 0, N, 7, "", 0},
    {6, 1, T, 0, "and ", 0},
    {6, 2, T, 0, "Goog", 0},
    {6, 3, N, 14.754317602356753, "", 0},
    {6, 4, N, 153.04107572533687, "", 0},
    {7, 0, N, 8, "", 0},
    {7, 1, T, 0, "fine", 0},
    {7, 2, N, 12.19, "", 0},
    {7, 3, N, 14.754317602356753, "", 0},
    {7, 4, N, 175.04107572533687, "", 0},
    {8, 0, N, 9, "", 0},
    {8, 1, T, 0, "day", 0},
    {8, 2, N, 99, "", 0},
    {8, 3, N, 14.754317602356753, "", 0},
    {8, 4, N, 197.04107572533687, "", 0},
    {9, 0, N, 10, "", 0},
    {9, 1, T, 0, "today?", 0},
    {9, 2, N, 1385729.2339999999, "", 0},
    {9, 3, N, 14.754317602356753, "", 0},
    {9, 4, N, 219.04107572533687, "", 0},
};

void PrintTo(const FixtureCase& c, std::ostream* out) { *out << c.file << " sheet " << c.sheetIndex; }

class FixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureTest, ReadsSheetsAndCells) {
    const FixtureCase& c = GetParam();
    const Workbook workbook = openFixture(c.file);
    EXPECT_EQ(workbook.uses1904DateSystem(), c.uses1904);
    ASSERT_EQ(workbook.sheets().size(), c.sheetNames.size());
    for (std::size_t i = 0; i < c.sheetNames.size(); ++i) {
        EXPECT_EQ(text::utf8FromGbk(workbook.sheets()[i].name), c.sheetNames[i]);
        EXPECT_EQ(workbook.sheets()[i].kind, SheetKind::Worksheet);
        EXPECT_FALSE(workbook.sheets()[i].hidden);
    }
    const Sheet sheet = readFixtureSheet(workbook, c.sheetIndex);
    EXPECT_EQ(sheet.rowCount(), c.rowCount);
    EXPECT_EQ(sheet.columnCount(), c.columnCount);
    expectCells(sheet, c.cells, c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Workbooks, FixtureTest,
    ::testing::Values(
        FixtureCase{"formulas.xls", false, {"Data", "My Sheet"}, 0, 16, 6, kFormulaCells},
        FixtureCase{"biff2-as3xls.xls", true, {"Sheet1"}, 0, 10, 5, kOlderVersionCells},
        FixtureCase{"biff3-as3xls.xls", true, {"Sheet1"}, 0, 10, 5, kOlderVersionCells},
        FixtureCase{"biff4-as3xls.xls", true, {"Sheet1"}, 0, 10, 5, kOlderVersionCells},
        FixtureCase{"formulas-excel95.xls", false, {"Data", "My Sheet"}, 0, 16, 6, kFormulaCells},
        FixtureCase{"formulas.xls",
                    false,
                    {"Data", "My Sheet"},
                    1,
                    2,
                    2,
                    {{0, 0, T, 0, "第二页", 0}, {1, 1, N, 2.75, "", 0}}},
        FixtureCase{"register.xls",
                    false,
                    {"Sheet1"},
                    0,
                    43,
                    5,
                    {{0, 0, T, 0, "一卡通发放清册", 0},
                     {1, 0, T, 0, "西河乡财政所·2014年3月", 0},
                     {2, 4, T, 0, "备注", 0},
                     {3, 0, T, 0, "31000100", 0},
                     {3, 1, T, 0, "徐杰", 0},
                     {3, 2, X, 0, "", 0},
                     {42, 1, T, 0, "张静", 0}}},
        FixtureCase{"register-excel95.xls",
                    false,
                    {"Sheet1"},
                    0,
                    43,
                    5,
                    {{0, 0, T, 0, "一卡通发放清册", 0},
                     {1, 0, T, 0, "西河乡财政所·2014年3月", 0},
                     {2, 4, T, 0, "备注", 0},
                     {3, 1, T, 0, "徐杰", 0},
                     {42, 1, T, 0, "张静", 0}}},
        FixtureCase{"payments.xls",
                    false,
                    {"发放明细", "说明"},
                    0,
                    35,
                    5,
                    {{0, 1, T, 0, "户主姓名", 0},
                     {1, 0, T, 0, "31000121", 0},
                     {1, 2, N, 5.4, "", 0},
                     {1, 4, N, 67.5, "", 0},  // shared formula, cached product
                     {3, 4, N, 127.49999999999999, "", 0},
                     {33, 0, T, 0, "99999999", 0},
                     {34, 0, T, 0, "合计", 0},
                     {34, 4, N, 3455, "", 0}}},  // SUM formula
        FixtureCase{
            "payments.xls", false, {"发放明细", "说明"}, 1, 1, 1, {{0, 0, T, 0, "本表由乡财政所提供", 0}}},
        FixtureCase{"types.xls",
                    false,
                    {"Types", "My Sheet"},
                    0,
                    3,
                    9,
                    {{1, 0, T, 0, "0123", 0},
                     {1, 1, N, 1250.5, "", 0},
                     {1, 2, N, 3, "", 0},
                     {1, 4, D, 41590, "", 0},
                     {1, 5, B, 1, "", 0},
                     {1, 6, N, 6, "", 0},
                     {1, 7, N, 0, "", 0},  // the writer stored no text for this text formula
                     {1, 8, X, 0, "", 0},
                     {2, 0, T, 0, "全角１２", 0},
                     {2, 1, N, -0.25, "", 0},
                     {2, 2, N, 65536, "", 0},
                     {2, 4, D, 36525, "", 0},
                     {2, 5, B, 0, "", 0},
                     {2, 6, N, 1.0 / 3, "", 0}}},
        FixtureCase{"dates-1904.xls",
                    true,
                    {"Sheet1"},
                    0,
                    3,
                    1,
                    {{0, 0, T, 0, "日期", 0}, {1, 0, D, 40128.354166666664, "", 0}, {2, 0, D, 1, "", 0}}},
        FixtureCase{"dual-stream.xls",
                    false,
                    {"Data", "My Sheet"},
                    0,
                    16,
                    5,
                    {{0, 0, T, 0, "一卡通发放清册", 0}, {3, 1, N, -7, "", 0}, {10, 0, D, 41590, "", 0}}},
        // Hand-made edges (make_xls_edge_fixtures.py), read as other spreadsheet programs read them.
        FixtureCase{"edges/biff2-later-label.xls",
                    false,
                    {"Sheet1"},
                    0,
                    2,
                    2,
                    {{0, 0, T, 0, "卡号", 0},
                     {0, 1, T, 0, "Name", 0},
                     {1, 0, N, 31000100, "", 0},
                     {1, 1, T, 0, "徐杰", 0}}},
        FixtureCase{"edges/bof-version0-mixed.xls",
                    false,
                    {"Sheet1"},
                    0,
                    2,
                    3,
                    {{0, 0, T, 0, "BIFF2", 0},
                     {0, 1, N, 1234.5678, "", 0},
                     {0, 2, N, 1234, "", 0},
                     {1, 0, T, 0, "BIFF3-5", 0},
                     {1, 1, N, 8765.4321, "", 0},
                     {1, 2, N, 4321, "", 0}}},
        FixtureCase{"edges/biff7-codepage1200.xls",
                    false,
                    {"指数"},
                    0,
                    2,
                    3,
                    {{0, 0, T, 0, "指数名称", 0},
                     {0, 1, T, 0, "Index", 0},
                     {1, 0, N, 3021.5, "", 0},
                     {1, 1, T, 0, "上证", 0},
                     {1, 2, T, 0, "星期四", 0}}},
        FixtureCase{"edges/sst-stray-byte.xls",
                    false,
                    {"Sheet1"},
                    0,
                    1,
                    2,
                    {{0, 0, T, 0, "甲乙丙丁", 0}, {0, 1, T, 0, "next", 0}}},
        // 2024-02-29, a Thursday, and the next day at 18:00 under aaaa, [$-804]aaa, e"年" and a full date.
        FixtureCase{"edges/weekday-formats.xls",
                    false,
                    {"周"},
                    0,
                    2,
                    4,
                    {{0, 0, T, 0, "星期四", 0},
                     {0, 1, T, 0, "四", 0},
                     {0, 2, T, 0, "2024年", 0},
                     {0, 3, D, 45351, "", 0},
                     {1, 0, T, 0, "星期五", 0}}}));

TEST(ManyStrings, ReadsEveryStringOfATableSpreadOverContinueRecords) {
    const Workbook workbook = openFixture("many-strings.xls");
    const Sheet sheet = readFixtureSheet(workbook, 0);
    ASSERT_EQ(sheet.rowCount(), 1201);
    EXPECT_EQ(text::utf8FromGbk(sheet.cell(0, 1).text), "内容");
    for (int row = 1; row <= 1200; ++row) {
        char code[8];
        std::snprintf(code, sizeof code, "%05d", row);
        const std::string note = "第" + std::to_string(row) + "条说明文字，用于测试较长的共享字符串表。" +
                                 std::string(static_cast<std::size_t>(row % 37), 'x');
        ASSERT_EQ(sheet.cell(row, 0).text, code) << row;
        ASSERT_EQ(text::utf8FromGbk(sheet.cell(row, 1).text), note) << row;
    }
}

TEST(DateSystem, Formats1904SerialsAsTheirDates) {
    const Workbook workbook = openFixture("dates-1904.xls");
    const Sheet sheet = readFixtureSheet(workbook, 0);
    EXPECT_EQ(formatDateTime(sheet.cell(1, 0).number, workbook.uses1904DateSystem()), "2013-11-12 08:30:00");
    EXPECT_EQ(formatDateTime(sheet.cell(2, 0).number, workbook.uses1904DateSystem()), "1904-01-02 00:00:00");
}

}  // namespace
}  // namespace velmora::xls
