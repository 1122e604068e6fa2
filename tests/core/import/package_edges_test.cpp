// SPDX-License-Identifier: GPL-3.0-or-later
// The zip and XML edges of the .xlsx and .ods readers: entities in names and values, packages that
// say two things at once, flat documents, and libraries that would talk on standard error.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "import/table_import.h"
#include "import/workbook_file.h"
#include "sheet_builder.h"

namespace velmora::import {
namespace {
using namespace testing;

std::string workbookFixture(const std::string& name) {
    return std::string(VELMORA_TEST_DATA) + "/workbooks/" + name;
}

TEST(PackageEdges, EntitiesInNamesAndValuesAreDecodedOnce) {
    const std::vector<std::string> names = {"R&D", "甲&乙", "利润&亏损", "&<>\"'中中"};
    const std::vector<std::string> values = {"A&B", "A<B", "A>B", "A\"B", "A'B", "A中B", "A中B"};
    for (const char* file : {"entities.xlsx", "entities.ods"}) {
        SCOPED_TRACE(file);
        failure::Failure failure;
        const auto workbook = WorkbookFile::open(text::FilePath(workbookFixture(file)), failure);
        ASSERT_TRUE(workbook) << static_cast<int>(failure.reason());
        ASSERT_EQ(workbook->sheets().size(), names.size());
        for (std::size_t index = 0; index < names.size(); ++index)
            EXPECT_EQ(workbook->sheets()[index].name, gbk(names[index])) << index;
        // Three rows, each value stored another way (see the fixture script).
        const auto sheet = workbook->readSheet(0, failure);
        ASSERT_TRUE(sheet) << static_cast<int>(failure.reason());
        ASSERT_EQ(sheet->rowCount(), 3);
        ASSERT_EQ(sheet->columnCount(), static_cast<int>(values.size()));
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < sheet->columnCount(); ++column)
                EXPECT_EQ(cellText(sheet->view(row, column), ColumnKind::Text, false),
                          gbk(values[static_cast<std::size_t>(column)]))
                    << row << "," << column;
        }
    }
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PackageEdges, PackagesThatCannotBeTrustedAreRefusedWithTheirReason) {
    const std::string flat = fileBytes(workbookFixture("handmade.fods"));
    const struct {
        const char* what;
        std::string bytes;
        ReaderStatus status;
    } cases[] = {
        // libgsf cannot open the stream whose size the directory misstates; it is encrypted all the same
        {"encrypted-bad-size.xlsx", fileBytes(workbookFixture("encrypted-bad-size.xlsx")),
         ReaderStatus::Encrypted},
        {"duplicate-part.xlsx", fileBytes(workbookFixture("duplicate-part.xlsx")), ReaderStatus::Damaged},
        {"duplicate-part.ods", fileBytes(workbookFixture("duplicate-part.ods")), ReaderStatus::Damaged},
        {"flat-text.fodt", fileBytes(workbookFixture("flat-text.fodt")), ReaderStatus::NotWorkbook},
        {"handmade.fods cut short", flat.substr(0, flat.size() / 2), ReaderStatus::Damaged},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.bytes.empty()) << c.what;
        // A workbook's sheets are read when chosen: the refusal may come then.
        failure::Failure failure;
        const auto workbook = WorkbookFile::openBytes(c.bytes, failure);
        if (workbook) {
            EXPECT_FALSE(workbook->readSheet(0, failure)) << c.what;
        }
        EXPECT_EQ(statusOf(failure), c.status) << c.what;
    }
}

// The clerk's sentence (the window's and the batch's alike) says where: the part, and the sheet and row
// where the reader knows them.
TEST(PackageEdges, DamageIsNamedByPartSheetAndRow) {
    const struct {
        const char* file;
        const char* sheet;
        const char* place;
    } cases[] = {
        {"damaged-places.xlsx", "Sheet2",
         "第2张工作表第5行的共享文字编号超出范围（xl/worksheets/sheet2.xml）"},
        {"damaged-xml.xlsx", "Sheet1", "第1张工作表第3行的XML无法解析（xl/worksheets/sheet1.xml）"},
        {"damaged-places.ods", "Sheet1", "第2张工作表第3行的单元格的值与其类型不符（content.xml）"},
        {"duplicate-part.xlsx", "Sheet1", "第1张工作表的部件重复出现（xl/worksheets/sheet1.xml）"},
        {"duplicate-part.ods", "Sheet1", "部件重复出现（content.xml）"},
    };
    for (const auto& c : cases) {
        const std::string path = workbookFixture(c.file);
        WorksheetReader reader;
        EXPECT_EQ(reader.open(text::FilePath(path), c.sheet), ReaderStatus::Damaged) << c.file;
        EXPECT_EQ(reader.failure().describe(),
                  gbk("工作簿已损坏(") + gbk(c.place) + gbk("),无法读取: ") + path)
            << c.file;
    }
}

TEST(PackageEdges, EntriesDatedDayZeroReadWithoutAWordOnStandardError) {
    ::testing::internal::CaptureStderr();
    failure::Failure failure;
    const auto workbook = WorkbookFile::open(text::FilePath(workbookFixture("zero-date.xlsx")), failure);
    const auto sheet = workbook ? workbook->readSheet(0, failure) : std::nullopt;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(sheet) << static_cast<int>(failure.reason());
    EXPECT_EQ(cellText(sheet->view(0, 0), ColumnKind::Text, false), "1");
}

// A part this large is inflated on a thread of its own, ahead of its parser: every chunk arrives once and
// in order, the parse may end before the part does, and damage in the middle is still damage.
TEST(PackageEdges, LargePartsReadWholeInOrderAndDamageShows) {
    failure::Failure failure;
    const auto workbook = WorkbookFile::open(text::FilePath(workbookFixture("large-part.xlsx")), failure);
    ASSERT_TRUE(workbook) << static_cast<int>(failure.reason());
    const auto sheet = workbook->readSheet(0, failure);
    ASSERT_TRUE(sheet) << static_cast<int>(failure.reason());
    ASSERT_EQ(sheet->rowCount(), 60000);
    ASSERT_EQ(sheet->columnCount(), 2);
    int wrong = 0;
    for (int row = 0; row < 60000; ++row) {
        const int number = row + 1;
        wrong += sheet->view(row, 0).number != number % 7 || sheet->view(row, 1).number != number % 11;
    }
    EXPECT_EQ(wrong, 0);

    const auto damaged =
        WorkbookFile::open(text::FilePath(workbookFixture("large-part-damaged.xlsx")), failure);
    ASSERT_TRUE(damaged) << static_cast<int>(failure.reason());
    EXPECT_FALSE(damaged->readSheet(0, failure));
    EXPECT_EQ(statusOf(failure), ReaderStatus::Damaged);
}

}  // namespace
}  // namespace velmora::import
