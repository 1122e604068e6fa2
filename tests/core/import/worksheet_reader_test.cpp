// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/worksheet_reader.h"

#include <gtest/gtest.h>

#include "sheet_builder.h"

namespace velmora::import {
namespace {
using namespace testing;

TEST(WorksheetReader, CountsUpToTheLastValueOfTheWholeSheet) {
    struct Case {
        const char* name;
        sheet::Sheet sheet;
        int records;
        int fields;
    };
    const Case cases[] = {
        {"empty sheet", sheetOf({}), 0, 0},
        {"one cell", sheetOf({{label("a")}}), 1, 1},
        {"widest row decides the fields",
         sheetOf({{label("a")}, {empty(), empty(), number(1)}, {label("b")}}), 3, 3},
        {"trailing empty texts and errors do not count",
         sheetOf({{label("a"), label("b")}, {label(""), error(), label("")}, {error()}}), 1, 2},
        {"leading empty rows and columns still count", sheetOf({{}, {}, {empty(), empty(), number(7)}}), 3,
         3},
    };
    for (const Case& c : cases) {
        WorksheetReader reader;
        reader.openSheet(c.sheet, false);
        EXPECT_EQ(reader.recordCount(), c.records) << c.name;
        EXPECT_EQ(reader.fieldCount(), c.fields) << c.name;
        EXPECT_EQ(reader.firstRecord().size(), static_cast<std::size_t>(c.fields)) << c.name;
    }
}

TEST(WorksheetReader, GivesEmptyTextOutsideTheSheet) {
    WorksheetReader reader;
    reader.openSheet(sheetOf({{label("a"), label("b")}, {label("c"), label("d")}}), false);
    EXPECT_EQ(reader.field(1, 0), "a");
    EXPECT_EQ(reader.field(2, 1), "d");
    for (auto [record, field] : {std::pair{0, 0}, {3, 0}, {-1, 0}, {1, 2}, {1, -1}, {100000, 300}}) {
        EXPECT_EQ(reader.field(record, field), "") << record << "," << field;
    }
}

TEST(WorksheetReader, HandsOutRecordOneAsItsFirstRecord) {
    WorksheetReader reader;
    reader.openSheet(
        sheetOf({{label("卡号"), empty(), number(3), error()}, {empty(), empty(), empty(), number(1)}}),
        false);
    EXPECT_EQ(reader.firstRecord(), (std::vector<Text>{gbk("卡号"), "", "3.00000000", ""}));
}

TEST(ListSheetNames, KeepsWorksheetsOnlyAndDropsQuotesAndDollars) {
    const std::vector<sheet::SheetEntry> sheets = {
        {"Sheet1$", sheet::SheetKind::Worksheet, false},
        {"Chart1", sheet::SheetKind::Chart, false},
        {"'Pay list$'", sheet::SheetKind::Worksheet, false},
        {"Macro1", sheet::SheetKind::Macro, false},
        {gbk("发放'明细"), sheet::SheetKind::Worksheet, true},
        {"a$b$", sheet::SheetKind::Worksheet, false},
        {"ab", sheet::SheetKind::Worksheet, false},
    };
    // Names that differ only by removed characters stay twice, in workbook order.
    EXPECT_EQ(listSheetNames(sheets), (std::vector<Text>{"Sheet1", "Pay list", gbk("发放明细"), "ab", "ab"}));
}

}  // namespace
}  // namespace velmora::import
