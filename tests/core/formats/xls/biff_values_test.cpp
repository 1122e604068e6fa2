// SPDX-License-Identifier: GPL-3.0-or-later
// RK numbers.
#include <gtest/gtest.h>

#include "xls/biff_stream.h"

namespace velmora::xls {
namespace {

TEST(Rk, DecodesIntegersFloatsAndHundredths) {
    const struct {
        std::uint32_t rk;
        double value;
    } cases[] = {
        {0x00000006, 1},          {0x000003EB, 2.5}, {0x00000007, 0.01},  {0x02F1853B, 123456.78},
        {0xFFFFFFE6, -7},         {0xFFFFFFFE, -1},  {0xFFFFFFFF, -0.01}, {0x3FF80000, 1.5},
        {0xBFE00000, -0.5},       {0x40590001, 1.0}, {0x00000000, 0},     {0x7FFFFFFE, 536870911},
        {0x80000002, -536870912},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(biff::decodeRk(c.rk), c.value) << std::hex << c.rk;
}

}  // namespace
}  // namespace velmora::xls
