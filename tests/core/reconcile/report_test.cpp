// SPDX-License-Identifier: GPL-3.0-or-later
#include "reconcile/report.h"

#include <gtest/gtest.h>

#include "text/encoding.h"

namespace velmora::reconcile {
namespace {

Text gbk(const char* utf8) { return text::gbkFromUtf8(utf8); }
const std::string kRule(77, '-');

TEST(ReportContent, LaysOutBothListsWithoutAFinalLineEnd) {
    const Text summary = gbk("结果提示:未找到的一卡通编码有1个, 姓名不符的有1个. ");
    const Text notFound = gbk("未找到的表2姓名为: 赵六, 009\r\n");
    const Text mismatch = gbk("表1姓名为: 张三, 001\r\n表2姓名为: 张叁, 001\r\n");
    const Text expected =
        summary + "\r\n" + kRule + "\r\n" + gbk("未找到的编码有:（未填入清册表，核准后手工录入）\r\n") +
        notFound + "\r\n" + kRule + "\r\n" +
        gbk("姓名不符的有:（以下的各户，已填入清册。请核对是否变更户主）\r\n") + mismatch + "\r\n" + kRule;
    EXPECT_EQ(reportContent(summary, notFound, mismatch), expected);
}

TEST(ReportContent, EmptyListsLeaveEmptyLines) {
    const Text expected = "\r\n" + kRule + "\r\n" +
                          gbk("未找到的编码有:（未填入清册表，核准后手工录入）\r\n") + "\r\n" + kRule +
                          "\r\n" + gbk("姓名不符的有:（以下的各户，已填入清册。请核对是否变更户主）\r\n") +
                          "\r\n" + kRule;
    EXPECT_EQ(reportContent("", "", ""), expected);
    EXPECT_EQ(expected.substr(expected.size() - 77), kRule);
}

TEST(ReportFileName, ReplacesWhatAFileNameCannotHold) {
    struct Case {
        Text unit;
        Text expected;
    };
    const Case cases[] = {
        {"", gbk("_待核对.txt")},
        {gbk("2013年11月"), gbk("2013年11月_待核对.txt")},
        {"a/b\\c:d*e?f\"g<h>i|j", gbk("a_b_c_d_e_f_g_h_i_j_待核对.txt")},
        {"..", gbk(".._待核对.txt")},
        {"../..", gbk(".._.._待核对.txt")},
        {"x\ty\x7F\r\n", gbk("x_y____待核对.txt")},
        // The second bytes of 東 (0x7C) and 誠 (0x5C) look like "|" and "\" and must stay.
        {"\x96\x7C\xD5\x5C", "\x96\x7C\xD5\x5C" + gbk("_待核对.txt")},
    };
    for (const Case& c : cases) EXPECT_EQ(reportFileName(c.unit), c.expected) << c.unit;
}

TEST(ReportFileName, AHighByteNeverShieldsTheByteAfterIt) {
    struct Case {
        Text unit;
        Text expected;
    };
    const Case cases[] = {
        {"\xB5/x", "__x"},
        {std::string("a\xB5\0b", 4), "a__b"},
        {"\xB5\r\xB5\n\x80\x1F", "______"},
        {"\xB5\x7F\xFF\x40", "___@"},
        {"\xB5", "_"},
        // Every byte of a valid pair or four-byte character stays, "\\" and "|" as trail bytes included.
        {"\xD5\x5C\x96\x7C\x81\x30\x81\x30", "\xD5\x5C\x96\x7C\x81\x30\x81\x30"},
    };
    for (const Case& c : cases) EXPECT_EQ(reportFileName(c.unit), c.expected + gbk("_待核对.txt")) << c.unit;
}

}  // namespace
}  // namespace velmora::reconcile
