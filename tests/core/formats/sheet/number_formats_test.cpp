// SPDX-License-Identifier: GPL-3.0-or-later
// Date format detection, by built-in id and by format string.
#include "sheet/number_formats.h"

#include <gtest/gtest.h>

namespace velmora::sheet {
namespace {

TEST(NumberFormats, KnowsTheBuiltInDateIds) {
    for (int id : {14, 15, 16, 17, 18, 19, 20, 21, 22, 27, 36, 45, 46, 47, 50, 58, 71, 81}) {
        EXPECT_TRUE(isBuiltInDateFormat(id)) << id;
    }
    for (int id : {0, 1, 2, 4, 9, 10, 11, 12, 13, 23, 26, 37, 44, 48, 49, 59, 70, 82, 164}) {
        EXPECT_FALSE(isBuiltInDateFormat(id)) << id;
    }
}

TEST(NumberFormats, TellsDateStringsByTheLettersLeftOver) {
    const struct {
        const char* format;
        bool date;
    } cases[] = {
        {"yyyy-mm-dd", true},
        {"yyyy-mm-dd hh:mm:ss", true},
        {"h:mm AM/PM", true},
        {"[h]:mm", true},
        {"[mm]:ss", true},
        {"[SS]", true},
        {"[$-409]d-mmm-yy", true},
        {"YYYY\"\xC4\xEA\"M\"\xD4\xC2\"D\"\xC8\xD5\"", true},  // year/month/day in Chinese literals
        {"General", false},
        {"general", false},
        {"@", false},
        {"0.00E+00", false},
        {"#,##0.00", false},
        {"0.00 \"dm\"", false},
        {"0.00_);[Red](0.00)", false},
        {"[Red]0", false},
        {"[$-409]0.00", false},
        {"[DBNum1]0", false},
        {"\\d0", false},
        {"*s0", false},
        {"_m0", false},
        {"\x81\x6D"
         "0",
         false},        // a GBK character whose second byte is 'm'
        {"[h", false},  // an unclosed bracket
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isDateFormatString(c.format), c.date) << c.format;
}

}  // namespace
}  // namespace velmora::sheet
