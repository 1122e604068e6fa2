// SPDX-License-Identifier: GPL-3.0-or-later
// A sheet's cell storage in any write order, and shared texts repeated in many cells.
#include <gtest/gtest.h>

#include <bit>

#include "biff_test_streams.h"
#include "xls/workbook.h"

namespace velmora::xls {
namespace {
using namespace testing;

Cell text(const char* value) { return Cell{CellKind::Text, 0, value, 0}; }

TEST(SheetStorage, KeepsCellsWrittenInAnyOrder) {
    Sheet sheet;
    sheet.setCell(3, 255, text("far"));
    sheet.setCell(3, 0, text("first"));
    sheet.setCell(3, 7, text("middle"));
    sheet.setCell(3, 7, text("again"));     // overwrites
    sheet.setCell(3, 0, Cell{});            // an empty cell clears what was there
    sheet.setCell(9, 4, Cell{});            // and creates nothing below the sheet
    sheet.setCell(0, 256, text("beyond"));  // outside the format: ignored
    sheet.setCell(65536, 0, text("beyond"));
    sheet.setCell(65535, 1, Cell{CellKind::Error, 0, {}, 7});  // stored, yet no value

    EXPECT_EQ(sheet.cell(3, 255).text, "far");
    EXPECT_EQ(sheet.cell(3, 7).text, "again");
    EXPECT_EQ(sheet.cell(3, 0).kind, CellKind::Empty);
    EXPECT_EQ(sheet.cell(3, 6).kind, CellKind::Empty);
    EXPECT_EQ(sheet.cell(65535, 1).kind, CellKind::Error);
    EXPECT_EQ(sheet.cell(-1, 0).kind, CellKind::Empty);
    EXPECT_EQ(sheet.rowCount(), 4);
    EXPECT_EQ(sheet.columnCount(), 256);
}

TEST(SheetStorage, ACellCopiedWithinTheSheetKeepsItsTextAsTheSheetGrows) {
    Sheet sheet;
    sheet.setCell(0, 0, text("first text"));
    sheet.setCell(1, 0, sheet.view(0, 0));  // the view points into the sheet's own storage
    for (int row = 2; row < 2000; ++row) sheet.setCell(row, 1, text("a text long enough to move storage"));
    sheet.setCell(0, 0, text("replaced"));
    EXPECT_EQ(sheet.cell(1, 0).text, "first text");
    EXPECT_EQ(sheet.view(0, 0).text, "replaced");
    EXPECT_EQ(sheet.view(1999, 1).text, "a text long enough to move storage");
    EXPECT_EQ(sheet.rowCount(), 2000);
}

TEST(SheetStorage, GivesBackEveryKindOfCellAsStored) {
    Sheet sheet;
    const Sheet::KeptText shared = sheet.keepText("shared text");
    const Cell cells[] = {
        {CellKind::Number, 1234567.891, {}, 0},
        {CellKind::Number, -0.0, {}, 0},
        {CellKind::Number, 4.9e-324, {}, 0},
        {CellKind::Number, -1.7976931348623157e308, {}, 0},
        {CellKind::DateTime, 41590.354166666664, {}, 0},
        {CellKind::Boolean, 1, {}, 0},
        {CellKind::Boolean, 0, {}, 0},
        {CellKind::Error, 0, {}, 0x2A},
        {CellKind::Text, 0, "\xd5\xc5\xbe\xb2 text", 0},
        {CellKind::Text, 0, "", 0},
        {CellKind::Text, 0, "shared text", 0},  // through the kept text, twice
        {CellKind::Text, 0, "shared text", 0},
    };
    for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
        if (cells[column].text == "shared text") {
            sheet.setTextCell(5, column, shared);
        } else {
            sheet.setCell(5, column, cells[column]);
        }
    }
    for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
        const Cell& expected = cells[column];
        const Cell actual = sheet.cell(5, column);
        EXPECT_EQ(actual.kind, expected.kind) << column;
        // Bit for bit, so a lost sign of zero or a flushed denormal shows.
        EXPECT_EQ(std::bit_cast<std::uint64_t>(actual.number), std::bit_cast<std::uint64_t>(expected.number))
            << column;
        EXPECT_EQ(actual.text, expected.text) << column;
        EXPECT_EQ(actual.errorCode, expected.errorCode) << column;
    }
}

TEST(SheetStorage, AReleasedRowReadsEmptyAndLeavesTheRestAndTheCounts) {
    Sheet sheet;
    sheet.setCell(0, 0, text("kept"));
    sheet.setCell(1, 9, Cell{CellKind::Number, 2.5, {}, 0});
    sheet.releaseRow(1);
    sheet.releaseRow(7);  // no cells there
    sheet.releaseRow(-1);
    sheet.releaseRow(70000);
    EXPECT_EQ(sheet.cell(0, 0).text, "kept");
    EXPECT_EQ(sheet.cell(1, 9).kind, CellKind::Empty);
    EXPECT_EQ(sheet.rowCount(), 2);
    EXPECT_EQ(sheet.columnCount(), 10);
}

// A sheet of `cells` LABELSST records, all naming one shared string of `length` characters.
std::string repeatedStringStream(std::size_t length, int cells) {
    const std::string sst =
        record(0x00FC, le32(static_cast<std::uint32_t>(cells)) + le32(1) +
                           le16(static_cast<std::uint16_t>(length)) + '\0' + std::string(length, 'x'));
    std::string sheet;
    for (int r = 0; r < cells; ++r)
        sheet += record(0x00FD, cellHead(static_cast<std::uint16_t>(r), 0) + le32(0));
    return oneSheetStream(sst, sheet);
}

TEST(SheetBounds, ReadsEveryCellThatRepeatsALongSharedText) {
    // Valid workbooks may show one long shared text in thousands of cells; the sheet keeps it once.
    for (const auto& [length, cells] : {std::pair{8000, 40}, std::pair{1000, 2000}, std::pair{8000, 20000}}) {
        failure::Failure error;
        const auto workbook = Workbook::openBytes(wrapInOle(repeatedStringStream(length, cells)), error);
        ASSERT_TRUE(workbook) << cells;
        const auto sheet = workbook->readSheet(0, error);
        ASSERT_TRUE(sheet) << cells;
        EXPECT_EQ(sheet->rowCount(), cells);
        EXPECT_EQ(sheet->cell(0, 0).text, std::string(length, 'x'));
        EXPECT_EQ(sheet->cell(cells - 1, 0).text, std::string(length, 'x'));
    }
}

}  // namespace
}  // namespace velmora::xls
