// SPDX-License-Identifier: GPL-3.0-or-later
// The .xlsx and .ods readers against the .xls reader: the same content saved by spreadsheet programs in
// each format must give the same cells, and the features only the new formats have must read as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "import/workbook_file.h"
#include "import/worksheet_reader.h"
#include "sheet_builder.h"

namespace velmora::import {
namespace {
using namespace testing;

std::string workbookFixture(const std::string& name) {
    return std::string(VELMORA_TEST_DATA) + "/workbooks/" + name;
}

WorkbookFile openFixture(const std::string& name) {
    failure::Failure failure;
    auto workbook = WorkbookFile::open(text::FilePath(workbookFixture(name)), failure);
    EXPECT_TRUE(failure.ok()) << name;
    if (!workbook) throw std::runtime_error("cannot open " + name);
    return std::move(*workbook);
}

// What a cell shows after import, in a number column and in a text column, and the kind of a cell
// with a value (empty cells, empty texts and errors all import alike).
std::string describe(const sheet::CellView& cell, bool uses1904) {
    std::ostringstream out;
    out << (cell.holdsValue() ? static_cast<int>(cell.kind) : 0) << " ["
        << cellText(cell, ColumnKind::Number, uses1904) << "] [" << cellText(cell, ColumnKind::Text, uses1904)
        << "]";
    return out.str();
}

TEST(WorkbookFormats, SavedAsXlsxOrOdsReadsLikeTheXls) {
    struct Position {
        std::size_t sheet;
        int row;
        int column;
        bool operator==(const Position&) const = default;
    };
    const struct {
        const char* file;
        const char* reference;
        std::vector<Position> unmarked = {};  // cells the file itself holds otherwise
    } cases[] = {
        {"features-xlsxwriter.xlsx", "features.xls"},
        {"features-libreoffice.xlsx", "features.xls"},
        {"features-libreoffice.xlsm", "features.xls"},
        {"features-gnumeric.xlsx", "features.xls"},
        {"dates-1904-xlsxwriter.xlsx", "dates-1904.xls"},
        // LibreOffice stores the truth value of a comparison formula (=C2>0) as the plain number 1.
        {"features-libreoffice.ods", "features.xls", {{0, 6, 2}}},
        {"features-gnumeric.ods", "features.xls"},
        {"dates-1904-libreoffice.ods", "dates-1904.xls"},
        // the same styles and tables as one flat XML document
        {"handmade.fods", "handmade.ods"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const WorkbookFile workbook = openFixture(c.file);
        const WorkbookFile reference = openFixture(c.reference);
        EXPECT_EQ(listSheetNames(workbook.sheets()), listSheetNames(reference.sheets()));
        for (std::size_t index = 0; index < reference.sheets().size(); ++index) {
            failure::Failure failure;
            const auto expected = reference.readSheet(index, failure);
            const auto actual = workbook.readSheet(index, failure);
            ASSERT_TRUE(expected && actual) << index;
            EXPECT_EQ(actual->rowCount(), expected->rowCount()) << index;
            EXPECT_EQ(actual->columnCount(), expected->columnCount()) << index;
            for (int row = 0; row < expected->rowCount(); ++row) {
                for (int column = 0; column < expected->columnCount(); ++column) {
                    if (std::ranges::count(c.unmarked, Position{index, row, column}) > 0) continue;
                    EXPECT_EQ(describe(actual->view(row, column), workbook.uses1904DateSystem()),
                              describe(expected->view(row, column), reference.uses1904DateSystem()))
                        << "sheet " << index << " row " << row << " column " << column;
                }
            }
        }
    }
}

TEST(WorkbookFormats, FeaturesOnlyTheNewFormatsHaveReadAsWritten) {
    using sheet::CellKind;
    struct Expected {
        int row;
        int column;
        CellKind kind;
        const char* text;  // UTF-8, as a text column shows it
    };
    const struct {
        const char* file;
        int rows;
        int columns;
        std::vector<Expected> cells;
    } cases[] = {
        {"handmade.xlsx",
         6,
         8,
         {{0, 0, CellKind::Text, "卡号"},
          {0, 1, CellKind::Text, "富 文本"},  // rich runs joined, the phonetic guide left out
          {0, 2, CellKind::Text, "_x0041_ and A and \U0001F600 and line\r\nend"},
          {0, 3, CellKind::Empty, ""},
          {0, 4, CellKind::Text, ""},
          {1, 0, CellKind::Text, "内联"},  // no row number: the row after the one before
          {1, 1, CellKind::Text, "123"},
          {1, 2, CellKind::DateTime, "2024-02-29 12:30:00"},
          {1, 3, CellKind::DateTime, "1900-01-01 00:00:00"},
          {1, 4, CellKind::Empty, ""},  // a formula never calculated
          {1, 5, CellKind::Text, "ab"},
          {4, 1, CellKind::Boolean, "TRUE"},
          {4, 2, CellKind::Error, ""},
          {4, 3, CellKind::DateTime, "2014-03-14 12:00:00"},  // built-in date format 14
          {4, 4, CellKind::DateTime, "2014-03-14 00:00:00"},  // custom yyyy"年"m"月"
          {4, 5, CellKind::Number, "0.0015"},
          {4, 6, CellKind::Empty, ""},
          {4, 7, CellKind::Number, "7"},
          {5, 0, CellKind::Number, "-12.5"}}},
        {"handmade.ods",
         7,
         8,
         {{0, 0, CellKind::Text, "a   b\tc\nd"},
          {0, 1, CellKind::Text, "第一行\n第二行"},  // paragraphs as lines, the comment left out
          {0, 2, CellKind::Text, "attr"},
          {0, 3, CellKind::Text, "untyped"},
          {1, 0, CellKind::Number, "1250.5"},
          {1, 1, CellKind::Number, "0.25"},
          {1, 2, CellKind::Number, "-3.5"},
          {1, 3, CellKind::DateTime, "2014-03-15 08:30:00"},
          {1, 4, CellKind::DateTime, "1900-01-01 12:30:00"},  // 36.5 hours
          {1, 5, CellKind::Boolean, "TRUE"},
          {1, 6, CellKind::DateTime, "2014-03-15 00:00:00"},  // a date style inherited from the parent
          {1, 7, CellKind::Boolean, "FALSE"},
          {2, 0, CellKind::Number, "2"},
          {2, 1, CellKind::Text, "a"},
          {2, 2, CellKind::Boolean, "FALSE"},
          {2, 3, CellKind::DateTime, "2024-02-29 00:00:00"},
          {2, 4, CellKind::Error, ""},
          {2, 5, CellKind::Error, ""},  // stored as the number 0 shown as #N/A
          {2, 6, CellKind::Empty, ""},
          {3, 0, CellKind::Number, "7"},
          {3, 1, CellKind::Number, "8"},  // covered by the merge, holding a value all the same
          {4, 1, CellKind::Text, "x"},
          {6, 0, CellKind::Text, "x"},
          {6, 1, CellKind::Text, "x"}}},
        {"strict.xlsx",
         2,
         2,
         {{0, 0, CellKind::Text, "日期"},
          {0, 1, CellKind::Number, "3"},
          {1, 0, CellKind::DateTime, "2013-11-12 08:30:00"},
          {1, 1, CellKind::Boolean, "FALSE"}}},
        {"cached-values.xlsx",
         2,
         3,
         {{0, 0, CellKind::Empty, ""},  // shared-string cells with an empty cached value
          {0, 1, CellKind::Empty, ""},
          {0, 2, CellKind::Text, "卡号"},
          {1, 0, CellKind::DateTime, "1900-02-27 00:00:00"},  // durations: 1392 hours, 11 minutes
          {1, 1, CellKind::DateTime, "1899-12-30 00:11:00"},
          {1, 2, CellKind::DateTime, "2013-11-12 08:30:00"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const WorkbookFile workbook = openFixture(c.file);
        failure::Failure failure;
        const auto sheet = workbook.readSheet(0, failure);
        ASSERT_TRUE(sheet) << static_cast<int>(failure.reason());
        EXPECT_EQ(sheet->rowCount(), c.rows);
        EXPECT_EQ(sheet->columnCount(), c.columns);
        for (const Expected& cell : c.cells) {
            const sheet::CellView view = sheet->view(cell.row, cell.column);
            EXPECT_EQ(view.kind, cell.kind) << cell.row << "," << cell.column;
            EXPECT_EQ(cellText(view, ColumnKind::Text, workbook.uses1904DateSystem()), gbk(cell.text))
                << cell.row << "," << cell.column;
        }
    }
}

}  // namespace
}  // namespace velmora::import
