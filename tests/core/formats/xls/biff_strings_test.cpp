// SPDX-License-Identifier: GPL-3.0-or-later
// Shared strings split over CONTINUE records, read as the format lays them out.
#include <gtest/gtest.h>

#include "text/encoding.h"
#include "xls/workbook_globals.h"

namespace velmora::xls {
namespace {
using namespace std::string_literals;

using Piece = std::string;

std::string le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(std::uint32_t v) {
    return le16(static_cast<std::uint16_t>(v)) + le16(static_cast<std::uint16_t>(v >> 16));
}

// Reads an SST whose record data is `pieces[0]` and whose CONTINUE data are the other pieces.
std::vector<std::string> readPieces(const std::vector<Piece>& pieces) {
    biff::SegmentReader reader;
    for (const Piece& piece : pieces) {
        reader.addSegment(biff::Bytes(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
    }
    std::vector<std::string> utf8;
    for (const text::Text& s : readSharedStrings(reader)) utf8.push_back(text::utf8FromGbk(s));
    return utf8;
}

std::string counts(std::uint32_t unique) { return le32(unique) + le32(unique); }
// One byte a character: the flags byte 0, then the characters.
std::string narrow(const std::string& characters) { return "\x00"s + characters; }

struct SplitCase {
    std::string what;
    std::vector<Piece> pieces;
    std::vector<std::string> strings;
};

class SstSplitTest : public ::testing::TestWithParam<SplitCase> {};

void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.what; }

TEST_P(SstSplitTest, ReadsTheStrings) { EXPECT_EQ(readPieces(GetParam().pieces), GetParam().strings); }

const std::string kZhong = "\x2D\x4E"s;  // 中 as UTF-16LE
const std::string kWen = "\x87\x65"s;    // 文

INSTANTIATE_TEST_SUITE_P(
    Splits, SstSplitTest,
    ::testing::Values(SplitCase{"8-bit characters resume behind a flags byte"s,
                                {counts(2) + le16(5) + narrow("ab"), narrow("cde") + le16(1) + narrow("z")},
                                {"abcde"s, "z"s}},
                      SplitCase{"8-bit turns into UTF-16 in the middle"s,
                                {counts(1) + le16(4) + narrow("ab"), "\x01"s + kZhong + kWen},
                                {"ab中文"s}},
                      SplitCase{"UTF-16 turns into 8-bit in the middle"s,
                                {counts(1) + le16(3) + "\x01"s + kZhong, narrow("xy")},
                                {"中xy"s}},
                      SplitCase{"a record ends at a string boundary: no flags byte before the next header"s,
                                {counts(2) + le16(2) + narrow("ab"), le16(1) + "\x01"s + kWen},
                                {"ab"s, "文"s}},
                      SplitCase{"a header at the very end of a record: characters start behind a flags byte"s,
                                {counts(1) + le16(2) + "\x00"s, "\x01"s + kZhong + kWen},
                                {"中文"s}},
                      SplitCase{"runs split off their 4-byte boundary are skipped without a flags byte"s,
                                {counts(2) + le16(2) + "\x08"s + le16(2) + "ab"s + "\x00\x00\x01"s,
                                 "\x00\x01\x00\x02\x00"s + le16(1) + narrow("q")},
                                {"ab"s, "q"s}},
                      SplitCase{"a phonetic block split anywhere is skipped byte-wise"s,
                                {counts(2) + le16(1) + "\x0C"s + le16(1) + le32(7) + "k"s +
                                     "\x01\x00\x02\x00"s + "PHO"s,
                                 "NE1\x00"s + le16(2) + narrow("ok")},
                                {"k"s, "ok"s}},
                      SplitCase{"a count far beyond the data stops where the data ends"s,
                                {counts(0xFFFFFFFF) + le16(1) + narrow("a") + le16(1) + narrow("b")},
                                {"a"s, "b"s}},
                      SplitCase{"a string cut off by the end of the data is dropped"s,
                                {counts(2) + le16(1) + narrow("a") + le16(40) + narrow("only part")},
                                {"a"s}},
                      SplitCase{"a continuation holding only its flags byte: the characters go on after it"s,
                                {counts(1) + le16(4) + narrow("ab"), "\x01"s, narrow("cd")},
                                {"abcd"s}},
                      SplitCase{"an empty continuation in the middle of the characters"s,
                                {counts(1) + le16(4) + narrow("ab"), ""s, "\x01"s + kZhong + kWen},
                                {"ab中文"s}},
                      SplitCase{"half a UTF-16 unit at a record end is not read as a character"s,
                                {counts(1) + le16(2) + "\x01"s + kZhong + "\x87"s, "\x01\x65"s},
                                {}}));

}  // namespace
}  // namespace velmora::xls
