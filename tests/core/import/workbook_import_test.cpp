// SPDX-License-Identifier: GPL-3.0-or-later
// The import run on workbook files written by spreadsheet programs, from file to grid.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "import/table_import.h"
#include "sheet_builder.h"

namespace velmora::import {
namespace {
using namespace testing;
using namespace std::string_literals;
using Texts = std::vector<Text>;

std::string fixture(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }

struct Imported {
    model::Grid grid;
    model::Progress progress;
    ImportOutcome outcome;
};

Imported importFile(TableKind kind, const std::string& name, const std::string& sheet,
                    const std::string& spec, const std::string& startRow) {
    Imported result;
    prepareImport(kind, result.grid, result.progress);
    result.outcome =
        importTable(kind, text::FilePath(fixture(name)), settings::parseTable(gbk(sheet), spec, startRow),
                    result.grid, result.progress);
    return result;
}

Texts titles(const model::Grid& grid) {
    Texts result;
    for (int column = 0; column < grid.columnCount(); ++column) result.push_back(grid.columnTitle(column));
    return result;
}

Texts rowTexts(const model::Grid& grid, int row) {
    Texts result;
    for (int column = 0; column < grid.columnCount(); ++column) result.emplace_back(grid.cell(row, column));
    return result;
}

Texts gbkTexts(std::initializer_list<const char*> utf8) {
    Texts result;
    for (const char* item : utf8) result.push_back(gbk(item));
    return result;
}

TEST(WorkbookImport, ImportsTheRegisterBelowItsHeader) {
    const Imported imported = importFile(TableKind::Register, "register.xls", "Sheet1", "1,2,3,4", "4");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << imported.outcome.message;
    EXPECT_EQ(imported.outcome.unitText, gbk("2014年3月"));
    EXPECT_EQ(titles(imported.grid), gbkTexts({"卡号", "姓名", "补贴金额", "粮食直补"}));
    ASSERT_EQ(imported.grid.rowCount(), 40);
    EXPECT_EQ(rowTexts(imported.grid, 0), gbkTexts({"31000100", "徐杰", "", ""}));
    EXPECT_EQ(rowTexts(imported.grid, 39), gbkTexts({"31000373", "张静", "", ""}));
    EXPECT_EQ(imported.progress.position(), 0);
    EXPECT_EQ(imported.progress.status(), "");
}

TEST(WorkbookImport, ImportsThePaymentListWithFirstRowTitles) {
    const Imported imported = importFile(TableKind::Source, "payments.xls", "发放明细", "1,2,5", "2");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << imported.outcome.message;
    EXPECT_EQ(imported.outcome.unitText, "");
    // Titles are the first row of the first three columns, whichever columns the spec takes.
    EXPECT_EQ(titles(imported.grid), gbkTexts({"卡号", "户主姓名", "面积"}));
    ASSERT_EQ(imported.grid.rowCount(), 34);
    // The header row makes every column a text column, so computed amounts come out short.
    EXPECT_EQ(rowTexts(imported.grid, 0), gbkTexts({"31000121", "何芳", "67.5"}));
    EXPECT_EQ(rowTexts(imported.grid, 2), gbkTexts({"31000135", "赵秀", "127.5"}));
    EXPECT_EQ(rowTexts(imported.grid, 33), gbkTexts({"合计", "", "3455"}));
}

TEST(WorkbookImport, ConvertsEveryKindOfCellOfATextColumn) {
    const std::string spec = "1,2,3,4,5,6,7,8,9";
    const Imported source = importFile(TableKind::Source, "types.xls", "Types", spec, "2");
    ASSERT_EQ(source.outcome.status, ReaderStatus::Ok) << source.outcome.message;
    ASSERT_EQ(source.grid.rowCount(), 2);
    EXPECT_EQ(rowTexts(source.grid, 0),
              gbkTexts({"0123", "1250.5", "3", "0", "2013-11-12 00:00:00", "TRUE", "6", "0", ""}));
    EXPECT_EQ(rowTexts(source.grid, 1), gbkTexts({"全角１２", "-0.25", "65536", "0", "1999-12-31 00:00:00",
                                                  "FALSE", "0.333333333333333", "0", ""}));

    const Imported reg = importFile(TableKind::Register, "types.xls", "Types", spec, "2");
    EXPECT_EQ(rowTexts(reg.grid, 0),
              gbkTexts({"0123", "1250.5", "3", "", "2013-11-12 00:00:00", "TRUE", "6", "", ""}));
}

TEST(WorkbookImport, KeepsEightDecimalsInNumberColumns) {
    const Imported source = importFile(TableKind::Source, "import_cases.xls", "Figures", "1,2,3,4,5", "");
    ASSERT_EQ(source.outcome.status, ReaderStatus::Ok) << source.outcome.message;
    ASSERT_EQ(source.grid.rowCount(), 10);
    EXPECT_EQ(rowTexts(source.grid, 0),
              gbkTexts({"0.00000000", "2013-11-12 08:30:00", "TRUE", "", "1.00000000"}));
    EXPECT_EQ(rowTexts(source.grid, 3),
              gbkTexts({"-3.50000000", "2013-11-15 08:30:00", "FALSE", "", "4.00000000"}));
    EXPECT_EQ(rowTexts(source.grid, 9),
              gbkTexts({"10.00000000", "2013-11-21 08:30:00", "FALSE", "5", "备注"}));

    const Imported reg = importFile(TableKind::Register, "import_cases.xls", "Figures", "1", "");
    EXPECT_EQ(reg.grid.cell(0, 0), "");  // 0.00000000
    EXPECT_EQ(reg.grid.cell(1, 0), "1250.00000000");
    EXPECT_EQ(reg.grid.cell(4, 0), "");  // 0.00000001 lies within the tolerance
    EXPECT_EQ(reg.grid.cell(5, 0), "0.10000000");
}

TEST(WorkbookImport, FreeingEachRecordOnceTakenGivesTheSameTable) {
    const struct {
        TableKind kind;
        const char* file;
        const char* sheet;
        const char* spec;
        const char* startRow;
    } cases[] = {
        {TableKind::Register, "register.xls", "Sheet1", "1,2,3,4", "4"},
        {TableKind::Register, "register.xls", "Sheet1", "2,1,2", "0"},
        {TableKind::Source, "payments.xls", "发放明细", "1,2,5,1", "2"},
        {TableKind::Source, "types.xls", "Types", "1,2,3,4,5,6,7,8,9", "1"},
        {TableKind::Source, "workbooks/payments.xlsx", "发放明细", "1,2,5", "2"},
        {TableKind::Register, "workbooks/register.ods", "Sheet1", "1,2,3,4", "4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const TableSettings settings = settings::parseTable(gbk(c.sheet), c.spec, c.startRow);
        WorksheetReader reader, spent;
        ASSERT_EQ(reader.open(text::FilePath(fixture(c.file)), settings.sheetName), ReaderStatus::Ok);
        ASSERT_EQ(spent.open(text::FilePath(fixture(c.file)), settings.sheetName), ReaderStatus::Ok);
        Imported kept, freed;
        kept.outcome = importTable(c.kind, reader, settings, kept.grid, kept.progress);
        freed.outcome = importTable(c.kind, std::move(spent), settings, freed.grid, freed.progress);

        EXPECT_EQ(freed.outcome.unitText, kept.outcome.unitText);
        EXPECT_EQ(titles(freed.grid), titles(kept.grid));
        ASSERT_EQ(freed.grid.rowCount(), kept.grid.rowCount());
        for (int row = 0; row < kept.grid.rowCount(); ++row) {
            EXPECT_EQ(rowTexts(freed.grid, row), rowTexts(kept.grid, row)) << row;
        }
        const int last = reader.recordCount();
        EXPECT_NE(reader.field(last, 0), "");
        EXPECT_EQ(spent.field(last, 0), "");  // NOLINT(bugprone-use-after-move): it was freed
    }
}

TEST(WorkbookImport, ReadsDatesOfThe1904System) {
    const Imported imported = importFile(TableKind::Source, "dates-1904.xls", "Sheet1", "1", "2");
    ASSERT_EQ(imported.grid.rowCount(), 2);
    EXPECT_EQ(imported.grid.cell(0, 0), "2013-11-12 08:30:00");
    EXPECT_EQ(imported.grid.cell(1, 0), "1904-01-02 00:00:00");
}

TEST(WorkbookImport, ListsWorksheetNamesWithoutQuotesAndDollars) {
    EXPECT_EQ(listSheetNames(text::FilePath(fixture("import_cases.xls"))), (Texts{"Figures", "Paylist"}));
    EXPECT_EQ(listSheetNames(text::FilePath(fixture("payments.xls"))), gbkTexts({"发放明细", "说明"}));
    EXPECT_EQ(listSheetNames(text::FilePath(fixture("missing.xls"))), Texts{});
    EXPECT_EQ(listSheetNames(text::FilePath(fixture("not_a_workbook.xls"))), Texts{});
}

TEST(WorkbookImport, ReportsFilesItCannotReadAndKeepsTheColumns) {
    struct Case {
        const char* file;
        const char* sheet;
        ReaderStatus status;
        const char* message;  // the part after the problem and the path
    };
    const Case cases[] = {
        {"missing.xls", "Sheet1", ReaderStatus::CannotOpen, "无法打开文件: "},
        {"not_a_workbook.xls", "Sheet1", ReaderStatus::NotWorkbook,
         "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): "},
        {"encrypted.xls", "Sheet1", ReaderStatus::Encrypted, "工作簿已加密(设有密码),无法读取: "},
        {"register.xls", "Sheet1$", ReaderStatus::SheetNotFound, "工作簿中没有名为“Sheet1$”的工作表: "},
        {"register.xls", "sheet1", ReaderStatus::SheetNotFound, "工作簿中没有名为“sheet1”的工作表: "},
        {"edges/damaged-shared-index.xls", "二", ReaderStatus::Damaged,
         "工作簿已损坏(第2张工作表第5行的共享文字编号超出范围),无法读取: "},
    };
    for (TableKind kind : {TableKind::Register, TableKind::Source}) {
        for (const Case& c : cases) {
            model::Grid grid;
            grid.appendColumn("a");
            grid.appendColumn("b");
            grid.appendRow();
            model::Progress progress;
            prepareImport(kind, grid, progress);
            const ImportOutcome outcome =
                importTable(kind, text::FilePath(fixture(c.file)),
                            settings::parseTable(gbk(c.sheet), "1,2,3", ""), grid, progress);
            EXPECT_EQ(outcome.status, c.status) << c.file;
            EXPECT_EQ(outcome.message.rfind(gbk(c.message) + fixture(c.file), 0), 0u) << c.file;
            EXPECT_EQ(outcome.unitText, "") << c.file;
            EXPECT_EQ(grid.rowCount(), 0) << c.file;
            EXPECT_EQ(titles(grid), (Texts{"a", "b"})) << c.file;
            EXPECT_EQ(progress.position(), 0) << c.file;
            EXPECT_EQ(progress.status(), "") << c.file;
        }
    }
}

TEST(WorkbookImport, RefusesValuesBeyondTheSheetOnlyInItsColumns) {
    struct Case {
        const char* spec;
        const char* message;  // nullptr: imported; else the refusal before the path
    };
    const Case cases[] = {
        {"1,2,3", nullptr},  // the stray cells lie in columns 20, 257 and 650
        {"1,2,20", "工作簿过大(第1张工作表第70000行超出每表65,536行的上限),无法完整读取: "},
        {"1,257", "工作簿过大(第1张工作表第3行第257列超出每表256列的上限),无法完整读取: "},
        {"650,20", "工作簿过大(第1张工作表第2行第650列超出每表256列的上限),无法完整读取: "},
    };
    for (const Case& c : cases) {
        const Imported imported =
            importFile(TableKind::Source, "edges/stray-cells.xlsx", "Sheet1", c.spec, "2");
        if (!c.message) {
            ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << c.spec;
            ASSERT_EQ(imported.grid.rowCount(), 2);
            // Column C holds its title in row 1, so it is a text column.
            EXPECT_EQ(rowTexts(imported.grid, 1), gbkTexts({"31000101", "张静", "250"}));
            continue;
        }
        EXPECT_EQ(imported.outcome.status, ReaderStatus::TooLarge) << c.spec;
        EXPECT_EQ(imported.outcome.message, gbk(c.message) + fixture("edges/stray-cells.xlsx")) << c.spec;
        EXPECT_EQ(imported.grid.rowCount(), 0) << c.spec;
    }
}

TEST(WorkbookImport, JudgesAFileByItsFirstBytesAndReadsNoMoreThanItsFormatHolds) {
    // Sparse files: a size the test never writes, which a reader taking it whole would have to hold.
    constexpr std::uintmax_t kGiB = std::uintmax_t{1} << 30;
    const std::string compound = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"s + std::string(22, '\0') + "\x09\x00"s;
    struct Case {
        std::string head;
        std::uintmax_t size;
        ReaderStatus status;
        const char* message;  // before the path
    };
    const Case cases[] = {
        {compound, 2 * kGiB + 1, ReaderStatus::TooLarge,
         "工作簿过大(文件大于此格式所能容纳的2 GB),无法完整读取: "},
        {"PK\x03\x04"s, 4 * kGiB + 1, ReaderStatus::TooLarge,
         "工作簿过大(文件大于此格式所能容纳的4 GB),无法完整读取: "},
        {"\x00\x00\x00\x00"s, 3 * kGiB, ReaderStatus::NotWorkbook,
         "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): "},
    };
    const std::string path = ::testing::TempDir() + "huge.xls";
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(c.head.data(), static_cast<long>(c.head.size()));
        std::filesystem::resize_file(path, c.size);
        model::Grid grid;
        model::Progress progress;
        const ImportOutcome outcome = importTable(TableKind::Source, text::FilePath(path),
                                                  settings::parseTable("Sheet1", "1", ""), grid, progress);
        EXPECT_EQ(outcome.status, c.status) << c.size;
        EXPECT_EQ(outcome.message, gbk(c.message) + path) << c.size;
    }
    std::filesystem::remove(path);
}

TEST(WorkbookImport, NamesTheWorksheetsAWorkbookHolds) {
    const Imported imported = importFile(TableKind::Source, "payments.xls", "Sheet1", "1", "");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::SheetNotFound);
    const Text held = gbk("\n该工作簿中的工作表: “发放明细”、“说明”");
    ASSERT_GE(imported.outcome.message.size(), held.size());
    EXPECT_EQ(imported.outcome.message.substr(imported.outcome.message.size() - held.size()), held);
}

TEST(WorkbookImport, RefusesTruncatedWorkbooksWithoutCrashing) {
    std::ifstream in(fixture("payments.xls"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string path = ::testing::TempDir() + "truncated_payments.xls";
    for (std::size_t length : {std::size_t{0}, std::size_t{100}, std::size_t{512}, std::size_t{3000},
                               bytes.size() - 700, bytes.size() - 1}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(bytes.data(), static_cast<long>(length));
        model::Grid grid;
        model::Progress progress;
        const ImportOutcome outcome =
            importTable(TableKind::Source, text::FilePath(path),
                        settings::parseTable(gbk("发放明细"), "1,2", ""), grid, progress);
        // A cut-off file may still hold the whole sheet; otherwise it is refused with a message.
        if (outcome.status != ReaderStatus::Ok) {
            EXPECT_FALSE(outcome.message.empty()) << length;
            EXPECT_EQ(grid.rowCount(), 0) << length;
        }
    }
}

}  // namespace
}  // namespace velmora::import
