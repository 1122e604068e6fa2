// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/rules.h"

#include <gtest/gtest.h>

#include <cmath>

#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::text {
namespace {

Text gbk(const char* utf8) { return gbkFromUtf8(utf8); }

TEST(WidthFolding, FoldsFullWidthFormsAndSymbols) {
    EXPECT_EQ(foldWidth(gbk("１２＋－．，ａＺ")), "12+-.,aZ");
    EXPECT_EQ(foldWidth("\xA1\xA1\xA1\xAB"), " ~");  // ideographic space, wave dash
    EXPECT_EQ(foldWidth("\xA1\xAB"), "~");
    EXPECT_EQ(foldWidth(gbk("☆★")), "**");
    EXPECT_EQ(foldWidth(gbk("张三·x")), gbk("张三·x"));
    // A trail byte that looks like 0xA3 must not start a fold.
    EXPECT_EQ(foldWidth("\xB0\xA3\xB1"), "\xB0\xA3\xB1");
}

TEST(IntegerReading, FollowsAtoiAfterFolding) {
    EXPECT_EQ(readInteger(" 12ab"), 12);
    EXPECT_EQ(readInteger(gbk("１２")), 12);
    EXPECT_EQ(readInteger(gbk("－５")), -5);
    EXPECT_EQ(readInteger("+7"), 7);
    EXPECT_EQ(readInteger(""), 0);
    EXPECT_EQ(readInteger("abc"), 0);
    EXPECT_EQ(readInteger("-"), 0);
    EXPECT_EQ(readInteger("\t\n\v\f\r 3"), 3);
    EXPECT_EQ(readInteger("99999999999999999999"), 2147483647);
    EXPECT_EQ(readInteger("-99999999999999999999"), -2147483647 - 1);
}

TEST(NumberReading, TakesTheLongestDecimalPrefix) {
    EXPECT_EQ(readNumber("0.00000000"), 0.0);
    EXPECT_EQ(readNumber(gbk("１．５")), 1.5);
    EXPECT_EQ(readNumber("abc1"), 0.0);
    EXPECT_EQ(readNumber(" -2.5e2x"), -250.0);
    EXPECT_EQ(readNumber("+.5"), 0.5);
    EXPECT_EQ(readNumber("5."), 5.0);
    EXPECT_EQ(readNumber("1e"), 1.0);
    EXPECT_EQ(readNumber("."), 0.0);
    EXPECT_EQ(readNumber("0x10"), 0.0);
    EXPECT_EQ(readNumber("1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(readNumber("1e999")));
}

TEST(Truncation, DropsTheFractionTowardZero) {
    EXPECT_EQ(truncateToInteger(2.9), 2);
    EXPECT_EQ(truncateToInteger(-2.9), -2);
    EXPECT_EQ(truncateToInteger(0.99999), 0);
    EXPECT_EQ(truncateToInteger(-0.5), 0);
    EXPECT_EQ(truncateToInteger(NAN), 0);
    EXPECT_EQ(truncateToInteger(1e300), 2147483647);
}

TEST(IntegerWriting, WritesPlainDigits) {
    EXPECT_EQ(writeInteger(0), "0");
    EXPECT_EQ(writeInteger(-42), "-42");
    EXPECT_EQ(writeInteger(1234567), "1234567");
}

TEST(TextComparison, IsBytewiseAndExact) {
    EXPECT_EQ(compareText("", std::string_view()), 0);
    EXPECT_NE(compareText("A001 ", "A001"), 0);
    EXPECT_EQ(compareText("A001", "A001 "), -1);
    EXPECT_NE(compareText("a", "A"), 0);
    EXPECT_EQ(compareText("a", "A"), 1);
    EXPECT_EQ(compareText(gbk("张"), "z"), 1);  // two-byte characters sort after ASCII
    EXPECT_EQ(compareText("abc", "abd"), -1);
}

TEST(Splitting, KeepsInnerEmptyFieldsAndDropsTrailingOne) {
    using Fields = std::vector<Text>;
    EXPECT_EQ(split("1,,3,"), (Fields{"1", "", "3"}));
    EXPECT_EQ(split(","), (Fields{""}));
    EXPECT_EQ(split("abc"), (Fields{"abc"}));
    EXPECT_EQ(split(""), Fields{});
    EXPECT_EQ(split(",1"), (Fields{"", "1"}));
    EXPECT_EQ(split("a,b", ""), (Fields{"a,b"}));
    EXPECT_EQ(split(gbk("某单位·2013年"), gbk("·")), (Fields{gbk("某单位"), gbk("2013年")}));
    // 0x2C is never a trail byte in GBK, but "|" (0x7C) is: a separator inside a character never splits.
    EXPECT_EQ(split("\x96\x7C|x", "|"), (Fields{"\x96\x7C", "x"}));
}

TEST(Replacing, WorksOnCharacterBoundariesWithoutRescanning) {
    EXPECT_EQ(replaceAll(gbk("1，2,3，啊"), gbk("，"), ","), "1,2,3," + gbk("啊"));
    // 0xB0 0xAC is a character whose second byte equals the second byte of the full-width comma.
    EXPECT_EQ(replaceAll("\xB0\xAC\xA3\xAC", "\xA3\xAC", ","), "\xB0\xAC,");
    EXPECT_EQ(replaceAll("\xA3\xA3\xAC", "\xA3\xAC", ","), "\xA3\xA3\xAC");
    EXPECT_EQ(replaceAll("a\\\\\\b", "\\\\", "\\"), "a\\\\b");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll("", "a", "x"), "");
    EXPECT_EQ(replaceAll("a'b$", "'"), "ab$");
}

TEST(LeftPartAndJoining, CountBytes) {
    EXPECT_EQ(leftPart("", 1), "");
    EXPECT_EQ(leftPart("0123", 1), "0");
    EXPECT_EQ(leftPart("ab", 0), "");
    EXPECT_EQ(leftPart("ab", -3), "");
    EXPECT_EQ(leftPart("ab", 9), "ab");
    EXPECT_EQ(join("a", std::string(), Text("b"), "c"), "abc");
}

TEST(Encoding, KeepsGbkBytesAndLosesNothing) {
    EXPECT_EQ(gbk("张三"), "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(gbk("·"), "\xA1\xA4");
    EXPECT_EQ(gbk("東誠"), "\x96\x7C\xD5\x5C");
    // A character outside GBK takes four GB18030 bytes and comes back intact.
    const Text rare = gbk("\U0001F600");
    EXPECT_EQ(rare.size(), 4u);
    EXPECT_EQ(utf8FromGbk(rare), "\U0001F600");
    EXPECT_EQ(utf8FromGbk(gbk("混合 text，１")), "混合 text，１");
    EXPECT_EQ(gbkFromUtf16(u"王芳"), gbk("王芳"));
    EXPECT_EQ(utf16FromGbk(gbk("王芳")), u"王芳");
    EXPECT_EQ(gbkFromCodePage("\xD5\xC5", 936), "\xD5\xC5");
    EXPECT_EQ(gbkFromCodePage("caf\xE9", 1252), gbk("café"));
    EXPECT_EQ(utf8FromGbk("\xFF"), "\xEF\xBF\xBD");
    EXPECT_EQ(gbkFromUtf8("a\xFF"), "a?");
}

// Read a word at a time: a high byte at any place of a text of any length must be seen.
TEST(Encoding, FindsAHighByteAnywhere) {
    for (std::size_t size = 0; size <= 20; ++size) {
        const std::string plain(size, 'a');
        EXPECT_TRUE(isAscii(plain)) << size;
        for (std::size_t at = 0; at < size; ++at) {
            std::string high = plain;
            high[at] = '\x80';
            EXPECT_FALSE(isAscii(high)) << size << " " << at;
        }
    }
}

TEST(Phrases, AreGbk) {
    EXPECT_EQ(phrases::unitSeparator(), "\xA1\xA4");
    EXPECT_EQ(phrases::fullWidthComma(), "\xA3\xAC");
    EXPECT_EQ(utf8FromGbk(phrases::summaryEnd()), "个. ");
}

}  // namespace
}  // namespace velmora::text
