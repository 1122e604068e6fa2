// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/cell_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "import/worksheet_reader.h"
#include "sheet_builder.h"

namespace velmora::import {
namespace {
using namespace testing;

// The C library's printf is the reference; a NaN's sign, which not every C library prints, is spelled
// as glibc spells it, so the Windows build is held to the Linux bytes.
std::string printedNan(double value) { return std::signbit(value) ? "-nan" : "nan"; }

std::string printedFixed8(double value) {
    if (std::isnan(value)) return printedNan(value);
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.8f", value);
    return buffer;
}

std::string printedGeneral15(double value) {
    if (std::isnan(value)) return printedNan(value);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

TEST(NumberText, MatchesPrintfForTypicalAndExtremeValues) {
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             1250.0,
                             1250.5,
                             0.1,
                             0.125,
                             2.675,
                             1e-7,
                             -1e-7,
                             5e-9,
                             4.999999999e-9,
                             0.000000005,
                             123456789.123456789,
                             -987654.321,
                             1e15,
                             1e16,
                             1e17,
                             123456789012345678.0,
                             1e21,
                             1e100,
                             -1e300,
                             DBL_MAX,
                             HUGE_VAL,
                             -HUGE_VAL,
                             NAN,
                             -NAN,
                             -DBL_MAX,
                             DBL_MIN,
                             5e-324,
                             1.0 / 3.0,
                             2.0 / 3.0,
                             0.1 + 0.2,
                             9.999999999999999e22,
                             100.0,
                             4294967296.5,
                             1e-5,
                             0.0001};
    for (double value : values) {
        EXPECT_EQ(formatFixed8(value), printedFixed8(value)) << value;
        EXPECT_EQ(formatGeneral15(value), printedGeneral15(value)) << value;
    }
}

TEST(NumberText, MatchesPrintfOverRandomValues) {
    std::mt19937_64 random(20240229);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int count = 0; count < 20000; ++count) {
        // Amounts with cents are the usual content; the rest cover every magnitude.
        const double value = count % 2 == 0 ? std::round(mantissa(random) * 1e6) / 100.0
                                            : mantissa(random) * std::pow(10.0, exponent(random));
        ASSERT_EQ(formatFixed8(value), printedFixed8(value)) << value;
        ASSERT_EQ(formatGeneral15(value), printedGeneral15(value)) << value;
    }
}

TEST(NumberText, RoundsExactHalvesToEvenAsPrintfDoes) {
    // k / 2^n with n from 9 up are exact binary values whose eighth decimal may be followed by a 5
    // and nothing else: the ties the formatter must round to even. Large and tiny magnitudes border
    // the range the fast path takes.
    for (int n = 9; n <= 40; ++n) {
        for (int k = -2000; k <= 2000; k += 7) {
            const double value = std::ldexp(static_cast<double>(k), -n);
            ASSERT_EQ(formatFixed8(value), printedFixed8(value)) << k << " / 2^" << n;
        }
    }
    const double borders[] = {9999999999.999998,     1e10,   -1e10,   1e10 - 1,    4294967296.125,
                              2.9802322387695312e-8, 5e-324, -5e-324, 1e-300,      std::ldexp(1.0, -75),
                              std::ldexp(1.0, -27),  0.005,  0.015,   0.000000005, 0.000000015,
                              123456789.123456789};
    for (double value : borders) EXPECT_EQ(formatFixed8(value), printedFixed8(value)) << value;
}

TEST(NumberText, MatchesPrintfOverRandomBitPatterns) {
    // Any double at all: most need 16 or 17 digits to read back, so both ways of writing "%.15g" run.
    std::mt19937_64 random(7);
    for (int count = 0; count < 200000; ++count) {
        const std::uint64_t bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        ASSERT_EQ(formatGeneral15(value), printedGeneral15(value)) << value;
        // Figures as sheets hold them: cents, and the 15-digit borders of the fixed notation.
        const double cents =
            static_cast<double>(static_cast<std::int64_t>(bits % 2000000001) - 1000000000) / 100.0;
        ASSERT_EQ(formatGeneral15(cents), printedGeneral15(cents)) << cents;
    }
    const double borders[] = {1e15,
                              999999999999999.0,
                              1e15 - 0.5,
                              123456789012345.6,
                              1e-4,
                              1e-5,
                              0.00012345,
                              9.99999999999999e-5,
                              100000000000000.0,
                              1e21,
                              1e-300,
                              5e-324};
    for (double value : borders) {
        EXPECT_EQ(formatGeneral15(value), printedGeneral15(value)) << value;
        EXPECT_EQ(formatGeneral15(-value), printedGeneral15(-value)) << -value;
    }
}

TEST(CellText, ConvertsEachKindOfCell) {
    struct Case {
        const char* name;
        sheet::Cell cell;
        ColumnKind kind;
        bool uses1904;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", empty(), ColumnKind::Number, false, ""},
        {"error", error(), ColumnKind::Text, false, ""},
        {"empty text", label(""), ColumnKind::Text, false, ""},
        {"text", label("张三"), ColumnKind::Text, false, gbk("张三")},
        {"number in number column", number(1250), ColumnKind::Number, false, "1250.00000000"},
        {"zero in number column", number(0), ColumnKind::Number, false, "0.00000000"},
        {"fraction in number column", number(-3.14159), ColumnKind::Number, false, "-3.14159000"},
        {"whole number in text column", number(1250), ColumnKind::Text, false, "1250"},
        {"fraction in text column", number(1250.5), ColumnKind::Text, false, "1250.5"},
        {"code in text column", number(1000013), ColumnKind::Text, false, "1000013"},
        {"large number in text column", number(123456789012345678.0), ColumnKind::Text, false,
         "1.23456789012346e+17"},
        {"date 1900", dateTime(41590.5), ColumnKind::Number, false, "2013-11-12 12:00:00"},
        {"date in text column", dateTime(41590), ColumnKind::Text, false, "2013-11-12 00:00:00"},
        {"date 1904", dateTime(41590 - 1462), ColumnKind::Number, true, "2013-11-12 00:00:00"},
        {"date rounds half a second up", dateTime(41590 + 1.5 / 86400), ColumnKind::Number, false,
         "2013-11-12 00:00:02"},
        {"serial without a date", dateTime(-2), ColumnKind::Number, false, "-2.00000000"},
        {"true", boolean(true), ColumnKind::Number, false, "TRUE"},
        {"false", boolean(false), ColumnKind::Text, false, "FALSE"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cellText(c.cell, c.kind, c.uses1904), c.expected) << c.name;
    }
}

// Column A: `leading` rows of `each`, then `last`.
sheet::Sheet columnOf(int leading, const sheet::Cell& each, const sheet::Cell& last) {
    sheet::Sheet sheet;
    for (int row = 0; row < leading; ++row) sheet.setCell(row, 0, each);
    sheet.setCell(leading, 0, last);
    return sheet;
}

TEST(ColumnKind, LooksOnlyAtTheFirstEightRows) {
    struct Case {
        const char* name;
        sheet::Sheet sheet;
        ColumnKind expected;
    };
    const Case cases[] = {
        {"numbers only", sheetOf({{number(1)}, {number(2)}}), ColumnKind::Number},
        {"numbers, dates and booleans", sheetOf({{number(1)}, {dateTime(40000)}, {boolean(true)}}),
         ColumnKind::Number},
        {"text among numbers", sheetOf({{number(1)}, {label("x")}, {number(2)}}), ColumnKind::Text},
        {"nothing at all", sheetOf({{empty()}}), ColumnKind::Text},
        {"empty text and error count as nothing", sheetOf({{label("")}, {error()}, {number(3)}}),
         ColumnKind::Number},
        {"only empty text and errors", sheetOf({{label("")}, {error()}}), ColumnKind::Text},
        {"text in row 8 counts", columnOf(7, number(1), label("x")), ColumnKind::Text},
        {"text in row 9 does not", columnOf(8, number(1), label("x")), ColumnKind::Number},
        {"first value in row 9 only", columnOf(8, empty(), number(5)), ColumnKind::Text},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(columnKind(c.sheet, 0), c.expected) << c.name;
    }
}

TEST(WorksheetReader, WritesNumbersByTheirColumnsKind) {
    // Column A holds a title above numbers (text column), column B only numbers (number column); the
    // headline ninth-row text of column B comes too late to change its kind.
    WorksheetReader reader;
    reader.openSheet(sheetOf({{label("合计"), number(0)},
                              {number(1250), number(1250)},
                              {number(1250.5), number(1250.5)},
                              {number(0), empty()},
                              {},
                              {},
                              {},
                              {},
                              {empty(), label("备注")}}),
                     false);
    EXPECT_EQ(reader.field(2, 0), "1250");
    EXPECT_EQ(reader.field(3, 0), "1250.5");
    EXPECT_EQ(reader.field(4, 0), "0");
    EXPECT_EQ(reader.field(1, 1), "0.00000000");
    EXPECT_EQ(reader.field(2, 1), "1250.00000000");
    EXPECT_EQ(reader.field(3, 1), "1250.50000000");
    EXPECT_EQ(reader.field(9, 1), gbk("备注"));
}

}  // namespace
}  // namespace velmora::import
