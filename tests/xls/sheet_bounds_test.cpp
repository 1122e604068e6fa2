// SPDX-License-Identifier: GPL-3.0-or-later
// A sheet's cell storage in any write order, and shared texts repeated in many cells.
#include <gtest/gtest.h>

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
        OpenError error = OpenError::None;
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
