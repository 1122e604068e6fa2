// SPDX-License-Identifier: GPL-3.0-or-later
// The writer's string table: distinct texts numbered by first occurrence, within a memory budget.
#include "xls/shared_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xls/workbook_writer.h"

namespace velmora::xls {
namespace {

TEST(SharedStrings, NumbersDistinctTextsByFirstOccurrence) {
    struct Case {
        const char* name;
        int cells;
        int distinct;
        std::size_t budget;  // bytes of texts remembered to find repeats
    };
    const Case cases[] = {{"one", 1, 1, SharedStrings::kDefaultRememberedBytes},
                          {"few", 50, 7, SharedStrings::kDefaultRememberedBytes},
                          {"many", 200000, 30011, SharedStrings::kDefaultRememberedBytes},
                          {"beyond the budget", 60, 7, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedStrings strings(c.budget);
        // Text i is "t<i mod distinct>", with an empty text and a long one mixed in as distinct texts too.
        const auto textAt = [&c](int i) {
            const int k = i % c.distinct;
            if (k == 3) return std::string();
            if (k == 5) return std::string(kMaxCellUnits, 'x');
            return "t" + std::to_string(k);
        };
        // Within the budget every repeat gets its first occurrence's number; texts first met beyond it
        // (the long one, here) get a number of their own each time.
        std::vector<std::uint32_t> expected;
        std::uint32_t next = 0;
        for (int i = 0; i < c.cells; ++i) {
            const int k = i % c.distinct;
            const bool remembered = c.budget >= kMaxCellUnits || k != 5;
            expected.push_back(remembered && i >= c.distinct ? expected[static_cast<std::size_t>(k)]
                                                             : next++);
        }
        for (int i = 0; i < c.cells; ++i)
            ASSERT_EQ(strings.add(textAt(i)), expected[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(strings.uniqueCount(), next);
        EXPECT_EQ(strings.cellCount(), static_cast<std::size_t>(c.cells));
    }
}

TEST(SharedStrings, TellsApartTextsThatDifferInOneByteOnly) {
    // Short texts are compared as packed words: every byte of every length must count.
    SharedStrings strings;
    std::vector<std::string> texts;
    for (std::size_t length = 0; length <= 20; ++length) {
        texts.emplace_back(length, 'a');
        for (std::size_t at = 0; at < length; ++at) {
            texts.emplace_back(length, 'a');
            texts.back()[at] = 'b';
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(strings.add(texts[i]), i) << texts[i];
    for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(strings.add(texts[i]), i) << texts[i];
}

TEST(SharedStrings, RefusesATextLongerThanACell) {
    SharedStrings strings;
    EXPECT_FALSE(strings.add(std::string(kMaxCellUnits + 1, 'x')));
    // Two-byte characters count once each, so twice the bytes still fit.
    EXPECT_EQ(strings.add(std::string(2 * kMaxCellUnits, '\xB0')), 0u);
    EXPECT_EQ(strings.uniqueCount(), 1u);
}

}  // namespace
}  // namespace velmora::xls
