// SPDX-License-Identifier: GPL-3.0-or-later
// The zip and XML edges of the .xlsx and .ods readers: entities in names and values, packages that
// say two things at once, flat documents, and libraries that would talk on standard error.
#include <gtest/gtest.h>

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
        ReaderStatus status = ReaderStatus::Ok;
        const auto workbook = WorkbookFile::open(workbookFixture(file), status);
        ASSERT_TRUE(workbook) << static_cast<int>(status);
        ASSERT_EQ(workbook->sheets().size(), names.size());
        for (std::size_t index = 0; index < names.size(); ++index)
            EXPECT_EQ(workbook->sheets()[index].name, gbk(names[index])) << index;
        // Three rows, each value stored another way (see the fixture script).
        const auto sheet = workbook->readSheet(0, status);
        ASSERT_TRUE(sheet) << static_cast<int>(status);
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

}  // namespace
}  // namespace velmora::import
