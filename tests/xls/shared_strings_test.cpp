// SPDX-License-Identifier: GPL-3.0-or-later
// The writer's string table: distinct texts numbered by first occurrence, across many partitions.
#include "xls/shared_strings.h"

#include <gtest/gtest.h>

#include <string>

#include "xls/workbook_writer.h"

namespace velmora::xls {
namespace {

TEST(SharedStrings, NumbersDistinctTextsByFirstOccurrence) {
    struct Case {
        const char* name;
        int cells;
        int distinct;
    };
    // From one partition to many; the last has more cells than any partition index holds.
    const Case cases[] = {
        {"one", 1, 1}, {"few", 50, 7}, {"one partition", 2000, 1999}, {"many", 200000, 30011}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedStrings strings;
        // Text i is "t<i mod distinct>", with an empty text and a long one mixed in as distinct texts too.
        const auto textAt = [&c](int i) {
            const int k = i % c.distinct;
            if (k == 3) return std::string();
            if (k == 5) return std::string(kMaxCellUnits, 'x');
            return "t" + std::to_string(k);
        };
        for (int i = 0; i < c.cells; ++i) ASSERT_TRUE(strings.add(textAt(i)));
        strings.resolve();
        EXPECT_EQ(strings.uniqueCount(), static_cast<std::size_t>(std::min(c.cells, c.distinct)));
        for (int i = 0; i < c.cells; ++i) {
            ASSERT_EQ(strings.indexOf(static_cast<std::size_t>(i)),
                      static_cast<std::uint32_t>(i % c.distinct))
                << i;
        }
    }
}

TEST(SharedStrings, RefusesATextLongerThanACell) {
    SharedStrings strings;
    EXPECT_FALSE(strings.add(std::string(kMaxCellUnits + 1, 'x')));
    // Two-byte characters count once each, so twice the bytes still fit.
    EXPECT_TRUE(strings.add(std::string(2 * kMaxCellUnits, '\xB0')));
    strings.resolve();
    EXPECT_EQ(strings.uniqueCount(), 1u);
}

}  // namespace
}  // namespace velmora::xls
