// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-built workbooks for record layouts the fixtures do not all show.
#include <gtest/gtest.h>

#include "biff_test_streams.h"
#include "text/encoding.h"
#include "xls/workbook.h"

namespace velmora::xls {
namespace {
using namespace std::string_literals;
using namespace testing;

Workbook openStreams(const std::vector<std::pair<std::string, std::string>>& streams) {
    failure::Failure error;
    std::optional<Workbook> workbook = Workbook::openBytes(wrapInOle(streams), error);
    EXPECT_TRUE(workbook) << static_cast<int>(error.reason());
    return workbook ? std::move(*workbook) : Workbook();
}

Sheet readSheet0(const std::string& globals, const std::string& sheetRecords) {
    const Workbook workbook = openStreams({{"Workbook", oneSheetStream(globals, sheetRecords)}});
    failure::Failure error;
    std::optional<Sheet> sheet = workbook.readSheet(0, error);
    EXPECT_TRUE(sheet) << static_cast<int>(error.reason());
    return sheet ? std::move(*sheet) : Sheet();
}

// Twenty-byte BIFF8 XF with the given number format.
std::string xf(std::uint16_t format) {
    return record(0x00E0, le16(0) + le16(format) + std::string(16, '\0'));
}

std::string format(std::uint16_t id, const std::string& latin1) {
    return record(0x041E, le16(id) + le16(static_cast<std::uint16_t>(latin1.size())) + '\0' + latin1);
}

TEST(SheetList, KeepsEverySheetWithItsKindAndVisibility) {
    StreamBuilder stream;
    stream.add(0x0809, bofData(0x0005));
    std::vector<std::size_t> entries;
    const std::uint8_t types[] = {0, 2, 1, 6, 0};
    const char* names[] = {"Data", "Chart1", "Macro1", "Module1", "Hidden"};
    for (int i = 0; i < 5; ++i) {
        std::string data = boundSheetData(0, names[i], types[i]);
        if (i == 4) data[4] = 2;  // very hidden
        entries.push_back(stream.add(0x0085, data));
    }
    stream.add(0x000A, "");
    for (const std::size_t entry : entries) {
        stream.patch32(entry + 4, static_cast<std::uint32_t>(stream.size()));
    }
    stream.add(0x0809, bofData(0x0010));
    stream.add(0x0203, cellHead(0, 0) + leDouble(5));
    stream.add(0x000A, "");
    const Workbook workbook = openStreams({{"Workbook", stream.bytes()}});
    ASSERT_EQ(workbook.sheets().size(), 5u);
    const SheetKind kinds[] = {SheetKind::Worksheet, SheetKind::Chart, SheetKind::Macro, SheetKind::Other,
                               SheetKind::Worksheet};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(workbook.sheets()[i].name, names[i]);
        EXPECT_EQ(workbook.sheets()[i].kind, kinds[i]);
        EXPECT_EQ(workbook.sheets()[i].hidden, i == 4);
    }
    failure::Failure error;
    EXPECT_EQ(workbook.readSheet(4, error)->cell(0, 0).number, 5);  // hidden sheets still hold data
    EXPECT_FALSE(workbook.readSheet(1, error));
    EXPECT_EQ(error.reason(), failure::Reason::UnsupportedVersion);
    EXPECT_FALSE(workbook.readSheet(5, error));
    EXPECT_EQ(error.reason(), failure::Reason::CannotRead);
}

TEST(Streams, PrefersTheWorkbookStreamAndMatchesNamesInAnyCase) {
    const std::string biff8 = oneSheetStream("", record(0x0203, cellHead(0, 0) + leDouble(8)));
    const Workbook both =
        openStreams({{"Book", biff5LabelStream(936, "old", 1, 2, "x")}, {"WORKBOOK", biff8}});
    ASSERT_EQ(both.sheets().size(), 1u);
    EXPECT_EQ(both.sheets()[0].name, "S");

    // 卡号 and 工作表 in GBK, as an Excel 95 workbook in code page 936 stores them.
    const Workbook book =
        openStreams({{"BOOK", biff5LabelStream(936, "\xB9\xA4\xD7\xF7\xB1\xED", 1, 2, "\xBF\xA8\xBA\xC5")}});
    ASSERT_EQ(book.sheets().size(), 1u);
    EXPECT_EQ(text::utf8FromGbk(book.sheets()[0].name), "工作表");
    failure::Failure error;
    const std::optional<Sheet> sheet = book.readSheet(0, error);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(text::utf8FromGbk(sheet->cell(1, 2).text), "卡号");
}

TEST(Cells, SkipsEmbeddedChartSubstreams) {
    const Sheet sheet =
        readSheet0("", record(0x0203, cellHead(0, 0) + leDouble(1)) + record(0x0809, bofData(0x0020)) +
                           record(0x0203, cellHead(5, 5) + leDouble(99)) + record(0x000A, "") +
                           record(0x0203, cellHead(1, 0) + leDouble(2)));
    EXPECT_EQ(sheet.cell(0, 0).number, 1);
    EXPECT_EQ(sheet.cell(1, 0).number, 2);
    EXPECT_EQ(sheet.cell(5, 5).kind, CellKind::Empty);
}

// A FORMULA record with the cached-value field given as 8 raw bytes.
std::string formula(std::uint16_t row, std::uint16_t column, const std::string& value, std::uint16_t xf = 0) {
    return record(0x0006, cellHead(row, column, xf) + value + le16(0) + le32(0) + le16(3) + "\x1E\x01\x00"s);
}

std::string specialResult(std::uint8_t type, std::uint8_t value) {
    return std::string{
        static_cast<char>(type), '\0', static_cast<char>(value), '\0', '\0', '\0', '\xFF', '\xFF'};
}

TEST(Cells, TakeTheCachedResultOfEveryFormulaKind) {
    const std::string globals = xf(0) + xf(14);
    const Sheet sheet = readSheet0(
        globals, formula(0, 0, leDouble(2.5)) + formula(0, 1, leDouble(41590), 1) +
                     formula(0, 2, specialResult(1, 1)) + formula(0, 3, specialResult(2, 0x17)) +
                     formula(0, 4, specialResult(3, 0)) +
                     // A text result whose STRING follows a shared formula and goes on in a CONTINUE record,
                     // switching from 8-bit to UTF-16 characters.
                     formula(1, 0, specialResult(0, 0)) + record(0x04BC, std::string(10, '\0')) +
                     record(0x0207, le16(4) + "\x00"
                                              "ab"s) +
                     record(0x003C, "\x01\x2D\x4E\x87\x65"s) +
                     // A text result whose STRING never comes keeps an empty text.
                     formula(2, 0, specialResult(0, 0)) + record(0x0203, cellHead(2, 1) + leDouble(7)) +
                     // A STRING with no formula before it belongs to no cell.
                     record(0x0207, le16(1) + "\x00"
                                              "z"s));
    const struct {
        int row, column;
        CellKind kind;
        double number;
        const char* text;
        int errorCode;
    } cases[] = {
        {0, 0, CellKind::Number, 2.5, "", 0}, {0, 1, CellKind::DateTime, 41590, "", 0},
        {0, 2, CellKind::Boolean, 1, "", 0},  {0, 3, CellKind::Error, 0, "", 0x17},
        {0, 4, CellKind::Text, 0, "", 0},     {1, 0, CellKind::Text, 0, "ab中文", 0},
        {2, 0, CellKind::Text, 0, "", 0},     {2, 1, CellKind::Number, 7, "", 0},
        {3, 0, CellKind::Empty, 0, "", 0},
    };
    for (const auto& c : cases) {
        const Cell& cell = sheet.cell(c.row, c.column);
        EXPECT_EQ(cell.kind, c.kind) << c.row << "," << c.column;
        EXPECT_EQ(cell.number, c.number) << c.row << "," << c.column;
        EXPECT_EQ(text::utf8FromGbk(cell.text), c.text) << c.row << "," << c.column;
        EXPECT_EQ(cell.errorCode, c.errorCode) << c.row << "," << c.column;
    }
    EXPECT_EQ(sheet.rowCount(), 3);
}

TEST(Cells, ReadsMultipleRkBlanksBooleansAndErrors) {
    const std::string globals = xf(0) + xf(22);
    const std::string mulRk = le16(3) + le16(1) + le16(0) + le32(0xFFFFFFE6) + le16(0) + le32(0x02F1853B) +
                              le16(1) + le32(0x40E5EEC0) + le16(0) + le32(0xBFE00001) + le16(4);
    const Sheet sheet = readSheet0(
        globals, record(0x00BD, mulRk) + record(0x00BE, le16(4) + le16(0) + le16(0) + le16(0) + le16(1)) +
                     record(0x0201, cellHead(5, 0)) + record(0x0205, cellHead(6, 0) + "\x01\x00"s) +
                     record(0x0205, cellHead(6, 1) + "\x2A\x01"s));
    EXPECT_EQ(sheet.cell(3, 1).number, -7);
    EXPECT_DOUBLE_EQ(sheet.cell(3, 2).number, 123456.78);
    EXPECT_EQ(sheet.cell(3, 3).kind, CellKind::DateTime);
    EXPECT_EQ(sheet.cell(3, 3).number, 44918);
    EXPECT_DOUBLE_EQ(sheet.cell(3, 4).number, -0.005);
    EXPECT_EQ(sheet.cell(3, 5).kind, CellKind::Empty);  // the trailing last-column field is no cell
    EXPECT_EQ(sheet.cell(4, 0).kind, CellKind::Empty);
    EXPECT_EQ(sheet.cell(5, 0).kind, CellKind::Empty);
    EXPECT_EQ(sheet.cell(6, 0).kind, CellKind::Boolean);
    EXPECT_EQ(sheet.cell(6, 0).number, 1);
    EXPECT_EQ(sheet.cell(6, 1).kind, CellKind::Error);
    EXPECT_EQ(sheet.cell(6, 1).errorCode, 0x2A);
    EXPECT_EQ(sheet.rowCount(), 7);
    EXPECT_EQ(sheet.columnCount(), 5);
}

TEST(Cells, DateFormatsComeFromFormatRecordsBeforeBuiltInIds) {
    // Id 14 redefined as a plain number, id 164 as General, id 165 as a custom date.
    const std::string globals = format(14, "0.00") + format(164, "General") + format(165, "yy/mm/dd") +
                                xf(14) + xf(164) + xf(165) + xf(15);
    std::string cells;
    for (std::uint16_t i = 0; i < 4; ++i) cells += record(0x0203, cellHead(0, i, i) + leDouble(40000));
    cells += record(0x0203, cellHead(0, 4, 99) + leDouble(1));  // an XF index with no XF
    const Sheet sheet = readSheet0(globals, cells);
    const CellKind kinds[] = {CellKind::Number, CellKind::Number, CellKind::DateTime, CellKind::DateTime,
                              CellKind::Number};
    for (int column = 0; column < 5; ++column) EXPECT_EQ(sheet.cell(0, column).kind, kinds[column]) << column;
}

TEST(Cells, ReadsLongLabelsAcrossContinueRecords) {
    const std::string head = cellHead(0, 0) + le16(6) + "\x01"s + "\x2D\x4E\x87\x65"s;
    const Sheet sheet = readSheet0("", record(0x0204, head) +
                                           record(0x003C,
                                                  "\x00"
                                                  "abcd"s) +
                                           record(0x00D6, cellHead(1, 0) + le16(2) +
                                                              "\x00"
                                                              "ok"s +
                                                              le16(0)));
    EXPECT_EQ(text::utf8FromGbk(sheet.cell(0, 0).text), "中文abcd");
    EXPECT_EQ(sheet.cell(1, 0).text, "ok");
}

}  // namespace
}  // namespace velmora::xls
