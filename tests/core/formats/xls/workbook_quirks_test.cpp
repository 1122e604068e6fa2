// SPDX-License-Identifier: GPL-3.0-or-later
// What real writers put into workbooks beside the format's letter, and the plain-stream files of the
// versions before BIFF5, each built by hand from the records such a file holds. The cells expected are
// those other spreadsheet readers show for the files these were taken from.
#include <gtest/gtest.h>

#include "biff_test_streams.h"
#include "text/encoding.h"
#include "xls/workbook.h"

namespace velmora::xls {
namespace {
using namespace std::string_literals;
using namespace testing;

struct Want {
    int row;
    int column;
    CellKind kind;
    double number;     // Number, DateTime, Boolean; the error code of an Error
    const char* text;  // Text, in UTF-8
};

struct ReadCase {
    const char* what;
    std::string file;
    std::vector<const char*> sheetNames;  // UTF-8
    std::size_t sheetIndex;
    bool uses1904;
    std::vector<Want> cells;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.what; }

void expectReads(const ReadCase& c) {
    failure::Failure error;
    const std::optional<Workbook> workbook = Workbook::openBytes(c.file, error);
    ASSERT_TRUE(workbook) << static_cast<int>(error.reason());
    EXPECT_EQ(workbook->uses1904DateSystem(), c.uses1904);
    ASSERT_EQ(workbook->sheets().size(), c.sheetNames.size());
    for (std::size_t i = 0; i < c.sheetNames.size(); ++i)
        EXPECT_EQ(text::utf8FromGbk(workbook->sheets()[i].name), c.sheetNames[i]);
    const std::optional<Sheet> sheet = workbook->readSheet(c.sheetIndex, error);
    ASSERT_TRUE(sheet) << static_cast<int>(error.reason());
    for (const Want& want : c.cells) {
        const Cell got = sheet->cell(want.row, want.column);
        SCOPED_TRACE(::testing::Message() << "cell " << want.row << "," << want.column);
        EXPECT_EQ(got.kind, want.kind);
        if (want.kind == CellKind::Text) {
            EXPECT_EQ(text::utf8FromGbk(got.text), want.text);
        } else if (want.kind == CellKind::Error) {
            EXPECT_EQ(got.errorCode, want.number);
        } else {
            EXPECT_DOUBLE_EQ(got.number, want.number);
        }
    }
}

constexpr auto T = CellKind::Text;
constexpr auto N = CellKind::Number;
constexpr auto D = CellKind::DateTime;
constexpr auto B = CellKind::Boolean;
constexpr auto E = CellKind::Error;

std::string number(std::uint16_t row, std::uint16_t column, double value) {
    return record(0x0203, cellHead(row, column) + leDouble(value));
}

// A BIFF8 FORMULA with a cached number under the given record id.
std::string formula(std::uint16_t id, std::uint16_t row, double value) {
    return record(id, cellHead(row, 0) + leDouble(value) + le16(0) + le32(0) + le16(0));
}

// A one-sheet BIFF8 workbook whose BOUNDSHEET offset misses the sheet's BOF by `shift` bytes.
std::string offsetMissingBof(int shift) {
    StreamBuilder stream;
    stream.add(0x0809, bofData(0x0005));
    const std::size_t entry = stream.add(0x0085, boundSheetData(0, "S"));
    stream.add(0x000A, "");
    stream.patch32(entry + 4, static_cast<std::uint32_t>(static_cast<int>(stream.size()) + shift));
    stream.add(0x0809, bofData(0x0010));
    stream.add(0x0203, cellHead(0, 0) + leDouble(5));
    stream.add(0x000A, "");
    return wrapInOle(stream.bytes());
}

// A BIFF5 workbook in `codePage` with a sheet named and a LABEL holding the same bytes.
std::string biff5InCodePage(std::uint16_t codePage, const std::string& bytes) {
    return wrapInOle({{"Book", biff5LabelStream(codePage, bytes, 0, 0, bytes)}});
}

// A small workbook (so in the container's mini stream) with a header count at `at` set to `count`.
std::string headerCountPastTheEnd(std::size_t at, std::uint32_t count) {
    std::string file = wrapInOle(oneSheetStream("", number(0, 0, 5)));
    file.replace(at, 4, le32(count));
    return file;
}

class QuirkTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(QuirkTest, ReadsAsOtherReadersDo) { expectReads(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Writers, QuirkTest,
    ::testing::Values(
        ReadCase{"FORMULA under its BIFF3 and BIFF4 ids",
                 wrapInOle(oneSheetStream("", formula(0x0406, 0, 42) + formula(0x0206, 1, 7))),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 42, ""}, {1, 0, N, 7, ""}}},
        ReadCase{"an empty LABEL without its flags byte",
                 wrapInOle(oneSheetStream("", record(0x0204, cellHead(0, 0) + le16(0)) + number(0, 1, 5))),
                 {"S"},
                 0,
                 false,
                 {{0, 0, T, 0, ""}, {0, 1, N, 5, ""}}},
        ReadCase{"a FORMAT record too short for its text",
                 wrapInOle(oneSheetStream(record(0x041E, le16(164) + le16(50) +
                                                             "\x00"
                                                             "ab"s),
                                          number(0, 0, 5))),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 5, ""}}},
        ReadCase{"a BOUNDSHEET that cannot be read beside one that can",
                 wrapInOle(oneSheetStream(record(0x0085, le32(0)), number(0, 0, 5))),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 5, ""}}},
        ReadCase{"a sheet offset 20 bytes past its BOF",
                 offsetMissingBof(20),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 5, ""}}},
        ReadCase{"a sheet offset 6 bytes before its BOF",
                 offsetMissingBof(-6),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 5, ""}}},
        ReadCase{"Mac Central European text",
                 biff5InCodePage(10029, "\xFC\x61\x64\x6F\x77\x6E\x6F\xE6\x8D"s),
                 {"Ładowność"},
                 0,
                 false,
                 {{0, 0, T, 0, "Ładowność"}}},
        ReadCase{"Cyrillic text of code page 1251",
                 biff5InCodePage(1251, "\xCA\xE0\xF0\xF2\xE0"s),
                 {"Карта"},
                 0,
                 false,
                 {{0, 0, T, 0, "Карта"}}},
        ReadCase{"a compound file header counting more mini FAT sectors than the file holds",
                 headerCountPastTheEnd(64, 17),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 5, ""}}},
        ReadCase{"a compound file header counting DIFAT sectors without a chain of them",
                 headerCountPastTheEnd(72, 3),
                 {"S"},
                 0,
                 false,
                 {{0, 0, N, 5, ""}}},
        ReadCase{"an XF record too short to read",
                 wrapInOle(oneSheetStream(record(0x00E0, "\x00\x00"s) +
                                              record(0x00E0, le16(0) + le16(14) + std::string(16, '\0')),
                                          record(0x0203, cellHead(0, 0, 1) + leDouble(41590)))),
                 {"S"},
                 0,
                 false,
                 {{0, 0, D, 41590, ""}}}));

// BIFF2 cells: row, column, three attribute bytes (XF index in the low six bits of the first).
std::string cell2(std::uint16_t row, std::uint16_t column, std::uint8_t xf) {
    return le16(row) + le16(column) + std::string{static_cast<char>(xf), '\0', '\0'};
}

std::string bytesWithLength(const std::string& bytes) { return static_cast<char>(bytes.size()) + bytes; }

// The records of one BIFF2 worksheet: formats General and a date, XF 0 and XF 1 showing them, cells
// of every kind, and a cell whose XF comes from IXFE.
std::string biff2Sheet() {
    return record(0x0009, le16(2) + le16(0x0010)) + record(0x0042, le16(1252)) + record(0x0022, le16(1)) +
           record(0x001E, bytesWithLength("General")) + record(0x001E, bytesWithLength("yyyy-mm-dd")) +
           record(0x0043, "\x00\x00\x00\x00"s) + record(0x0043, "\x00\x00\x01\x00"s) +
           record(0x0002, cell2(0, 0, 0) + le16(7)) + record(0x0003, cell2(0, 1, 1) + leDouble(100)) +
           record(0x0004, cell2(0, 2, 0) + bytesWithLength("caf\xE9")) +
           record(0x0005, cell2(0, 3, 0) + "\x01\x00"s) + record(0x0005, cell2(0, 4, 0) + "\x07\x01"s) +
           record(0x0006, cell2(1, 0, 0) + leDouble(2.5) + "\x00\x00"s) +
           record(0x0006, cell2(1, 1, 0) + "\x00\x00\x00\x00\x00\x00\xFF\xFF\x00\x00"s) +
           record(0x0007, bytesWithLength("result")) + record(0x0044, le16(1)) +
           record(0x0003, cell2(1, 2, 63) + leDouble(200)) + record(0x000A, "");
}

// The records of one BIFF3 or BIFF4 worksheet (the two differ in the ids of BOF, FORMAT, XF and FORMULA).
std::string biff34Sheet(int version) {
    const bool four = version == 4;
    const auto format = [&](const std::string& text) {
        return four ? record(0x041E, le16(0) + bytesWithLength(text)) : record(0x001E, bytesWithLength(text));
    };
    const auto xf = [&](char formatIndex) {
        return record(four ? 0x0443 : 0x0243, "\x00"s + formatIndex + std::string(10, '\0'));
    };
    const std::uint16_t formulaId = four ? 0x0406 : 0x0206;
    return record(four ? 0x0409 : 0x0209, le16(0) + le16(0x0010) + le16(0)) + record(0x0042, le16(936)) +
           format("General") + format("0.00") + format("d-mmm-yy") + xf(0) + xf(2) +
           record(0x0203, cellHead(0, 0, 1) + leDouble(45351.5)) +
           record(0x027E, cellHead(0, 1, 0) + le32(0x000003EB)) +
           record(0x0204, cellHead(0, 2, 0) + le16(4) + "\xBF\xA8\xBA\xC5"s) +
           record(0x0205, cellHead(0, 3, 0) + "\x2A\x01"s) +
           record(formulaId, cellHead(1, 0, 1) + leDouble(41590) + le16(0) + le16(0)) +
           record(formulaId, cellHead(1, 1, 0) + "\x00\x00\x00\x00\x00\x00\xFF\xFF"s + le16(0) + le16(0)) +
           record(0x0207, le16(2) + "ok"s) + record(0x000A, "");
}

// A BIFF4 workbook: each sheet's substream follows a header with its length and name.
std::string biff4Workbook() {
    std::string stream = record(0x0409, le16(0) + le16(0x0100) + le16(0)) + record(0x0042, le16(936));
    for (const std::string& name : {"\xB5\xDA\xD2\xBB"s, "Two"s}) {
        const std::string sheet = biff34Sheet(4);
        stream +=
            record(0x008F, le32(static_cast<std::uint32_t>(sheet.size())) + bytesWithLength(name)) + sheet;
    }
    return stream + record(0x000A, "");
}

const std::vector<Want> kBiff34Cells = {
    {0, 0, D, 45351.5, ""}, {0, 1, N, 2.5, ""},   {0, 2, T, 0, "卡号"},
    {0, 3, E, 0x2A, ""},    {1, 0, D, 41590, ""}, {1, 1, T, 0, "ok"},
};

class OlderVersionTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(OlderVersionTest, ReadsEveryKindOfCell) { expectReads(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Versions, OlderVersionTest,
    ::testing::Values(
        ReadCase{"BIFF2",
                 biff2Sheet(),
                 {"Sheet1"},
                 0,
                 true,
                 {{0, 0, N, 7, ""},
                  {0, 1, D, 100, ""},
                  {0, 2, T, 0, "café"},
                  {0, 3, B, 1, ""},
                  {0, 4, E, 7, ""},
                  {1, 0, N, 2.5, ""},
                  {1, 1, T, 0, "result"},
                  {1, 2, D, 200, ""}}},
        ReadCase{"BIFF3", biff34Sheet(3), {"Sheet1"}, 0, false, kBiff34Cells},
        ReadCase{"BIFF4", biff34Sheet(4), {"Sheet1"}, 0, false, kBiff34Cells},
        ReadCase{"BIFF4 in a container", wrapInOle(biff34Sheet(4)), {"Sheet1"}, 0, false, kBiff34Cells},
        ReadCase{"BIFF4 workbook, first sheet", biff4Workbook(), {"第一", "Two"}, 0, false, kBiff34Cells},
        ReadCase{"BIFF4 workbook, second sheet", biff4Workbook(), {"第一", "Two"}, 1, false, kBiff34Cells}));

}  // namespace
}  // namespace velmora::xls
