// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "sheet/number_formats.h"
#include "sheet/sheet.h"
#include "text/encoding.h"

namespace velmora::sheet {
namespace {

TEST(FormatDateTime, ConvertsSerialsOfBothDateSystems) {
    struct Case {
        double serial;
        bool uses1904;
        const char* expected;
    };
    const Case cases[] = {
        {45292.75, false, "2024-01-01 18:00:00"},
        {45351.57326388889, false, "2024-02-29 13:45:30"},
        {41590, false, "2013-11-12 00:00:00"},
        {41590 - 1462 + 8.5 / 24, true, "2013-11-12 08:30:00"},
        {1, true, "1904-01-02 00:00:00"},
        {61, false, "1900-03-01 00:00:00"},
        {60, false, "1900-02-29 00:00:00"},
        {59, false, "1900-02-28 00:00:00"},
        {1, false, "1900-01-01 00:00:00"},
        {0.5, false, "1899-12-30 12:00:00"},
        {41590.99999999, false, "2013-11-13 00:00:00"},       // rounds into the next day
        {41590 + 0.5 / 86400, false, "2013-11-12 00:00:01"},  // halves round up
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatDateTime(c.serial, c.uses1904).value_or("none"), c.expected) << c.serial;
    }
}

TEST(FormatDateTime, RejectsSerialsWithoutADate) {
    EXPECT_FALSE(formatDateTime(-1, false));
    EXPECT_FALSE(formatDateTime(NAN, false));
    EXPECT_FALSE(formatDateTime(1e12, false));
}

TEST(TextDateFormat, ShowsWeekdaysAndYearsAsSpreadsheetsDo) {
    struct Case {
        const char* format;  // UTF-8
        double serial;
        bool uses1904;
        const char* expected;  // nullptr: not such a format, or no date
    };
    const Case cases[] = {
        {"aaaa", 45351, false, "星期四"},
        {"[$-804]aaa", 45351.9, false, "四"},
        {"e\"年\"", 45351, false, "2024年"},
        {"AAAA;@", 45352, false, "星期五"},
        {"\\(aaa\\)", 45353, false, "(六)"},
        {"aaaa", 1, false, "星期日"},  // day 1 and 1900-02-29 as spreadsheets count them
        {"aaaa", 60, false, "星期三"},
        {"aaaa", 0, true, "星期五"},  // 1904-01-01
        {"aaaa", -1, false, nullptr},
        {"aa", 45351, false, nullptr},         // no weekday code
        {"yyyy aaaa", 45351, false, nullptr},  // a date the reader shows as one
        {"General", 45351, false, nullptr},
        {"0.00e", 45351, false, nullptr},
        {"[h]aaa", 45351, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const auto format = TextDateFormat::parse(text::gbkFromUtf8(c.format));
        const auto shown = format ? format->format(c.serial, c.uses1904) : std::nullopt;
        ASSERT_EQ(shown.has_value(), c.expected != nullptr);
        if (shown) {
            EXPECT_EQ(text::utf8FromGbk(*shown), c.expected);
        }
    }
}

TEST(Sheet, CountsOnlyCellsThatHoldAValue) {
    Sheet sheet;
    sheet.setCell(4, 7, Cell{CellKind::Error, 0, {}, 7});
    sheet.setCell(5, 9, Cell{CellKind::Text, 0, "", 0});
    EXPECT_EQ(sheet.rowCount(), 0);
    EXPECT_EQ(sheet.columnCount(), 0);
    sheet.setCell(2, 3, Cell{CellKind::Number, 1.5, {}, 0});
    EXPECT_EQ(sheet.rowCount(), 3);
    EXPECT_EQ(sheet.columnCount(), 4);
    EXPECT_EQ(sheet.cell(2, 3).number, 1.5);
    EXPECT_EQ(sheet.cell(100, 100).kind, CellKind::Empty);
    sheet.setCell(70000, 0, Cell{CellKind::Number, 1, {}, 0});
    EXPECT_EQ(sheet.rowCount(), 3);
}

}  // namespace
}  // namespace velmora::sheet
