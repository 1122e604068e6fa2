// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/table_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "sheet_builder.h"
#include "support/scratch_folder.h"
#include "text/phrases.h"

namespace velmora::import {
namespace {
using namespace testing;
using model::Grid;

// Remembers what the window would have shown while the import ran.
class RecordingProgress : public model::Progress {
public:
    void yield() override {
        ++yields;
        statusWhileRunning = status();
        rangeWhileRunning = {minimum(), maximum()};
        if (position() > highestPosition) highestPosition = position();
    }
    int yields = 0;
    int highestPosition = 0;
    text::Text statusWhileRunning;
    std::pair<int, int> rangeWhileRunning;
};

// A sheet whose cell (row r, column c), both one-based, holds the text "r.c".
sheet::Sheet labelledSheet(int rows, int columns) {
    sheet::Sheet sheet;
    for (int row = 1; row <= rows; ++row) {
        for (int column = 1; column <= columns; ++column) {
            sheet.setCell(row - 1, column - 1, label(std::to_string(row) + "." + std::to_string(column)));
        }
    }
    return sheet;
}

struct Imported {
    Grid grid;
    ImportOutcome outcome;
    RecordingProgress progress;
};

Imported importSheet(TableKind kind, sheet::Sheet sheet, const std::string& spec,
                     const std::string& startRow = "") {
    Imported result;
    WorksheetReader reader;
    reader.openSheet(std::move(sheet), false);
    result.outcome = importTable(kind, reader, settings::parseTable("Sheet1", spec, startRow), result.grid,
                                 result.progress);
    return result;
}

std::vector<Text> titles(const Grid& grid) {
    std::vector<Text> result;
    for (int column = 0; column < grid.columnCount(); ++column) result.push_back(grid.columnTitle(column));
    return result;
}

std::vector<Text> rowTexts(const Grid& grid, int row) {
    std::vector<Text> result;
    for (int column = 0; column < grid.columnCount(); ++column) result.emplace_back(grid.cell(row, column));
    return result;
}

using Texts = std::vector<Text>;

TEST(TableImport, TakesTheSpecColumnsInSpecOrder) {
    const Imported source = importSheet(TableKind::Source, labelledSheet(5, 6), "3,2,5");
    EXPECT_EQ(titles(source.grid), (Texts{"1.1", "1.2", "1.3"}));
    ASSERT_EQ(source.grid.rowCount(), 5);
    EXPECT_EQ(rowTexts(source.grid, 3), (Texts{"4.3", "4.2", "4.5"}));

    const Imported reg = importSheet(TableKind::Register, labelledSheet(5, 6), "3,2,5");
    EXPECT_EQ(titles(reg.grid), (Texts{"3.3", "3.2", "3.5"}));
    EXPECT_EQ(rowTexts(reg.grid, 0), (Texts{"1.3", "1.2", "1.5"}));
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(reg.grid.column(column).width, 70);
        EXPECT_EQ(reg.grid.column(column).alignment, model::Alignment::Centre);
    }
}

TEST(TableImport, SplitsTheColumnSpecAtCommas) {
    struct Case {
        const char* spec;
        Texts firstRow;
    };
    const Case cases[] = {
        {"1,2,", {"1.1", "1.2"}},
        {"1,,2", {"1.1", "", "1.2"}},
        {",1", {"", "1.1"}},
        {" 2 ,x1,+1", {"1.2", "", "1.1"}},
        {"1，2", {"1.1"}},  // a full-width comma read before the box folds it does not split
        {"", {}},
    };
    for (const Case& c : cases) {
        const Imported imported = importSheet(TableKind::Source, labelledSheet(3, 3), gbk(c.spec));
        EXPECT_EQ(imported.grid.columnCount(), static_cast<int>(c.firstRow.size())) << c.spec;
        ASSERT_EQ(imported.grid.rowCount(), 3) << c.spec;
        EXPECT_EQ(rowTexts(imported.grid, 0), c.firstRow) << c.spec;
    }
}

TEST(TableImport, ImportsFromTheStartRowOn) {
    struct Case {
        const char* startRow;
        int rows;
        const char* firstCell;
    };
    const Case cases[] = {
        {"4", 7, "4.1"},  {"0", 10, "1.1"},    {"", 10, "1.1"},   {"-3", 10, "1.1"},
        {"x", 10, "1.1"}, {"１０", 1, "10.1"}, {"10", 1, "10.1"}, {"11", 0, ""},
    };
    for (TableKind kind : {TableKind::Register, TableKind::Source}) {
        for (const Case& c : cases) {
            const Imported imported = importSheet(kind, labelledSheet(10, 2), "1,2", gbk(c.startRow));
            EXPECT_EQ(imported.grid.rowCount(), c.rows) << c.startRow;
            EXPECT_EQ(imported.grid.cell(0, 0), c.firstCell) << c.startRow;
            EXPECT_EQ(imported.grid.cell(c.rows - 1, 1), c.rows > 0 ? "10.2" : "") << c.startRow;
        }
    }
}

TEST(TableImport, KeepsRowsWithoutValuesAndRowsWithoutColumns) {
    const auto sheet = sheetOf({{label("a")}, {}, {}, {label("b")}});
    EXPECT_EQ(importSheet(TableKind::Source, sheet, "1").grid.rowCount(), 4);
    // An empty spec makes no column, yet every record still gets its row.
    const Imported noColumns = importSheet(TableKind::Source, sheet, "");
    EXPECT_EQ(noColumns.grid.columnCount(), 0);
    EXPECT_EQ(noColumns.grid.rowCount(), 4);
}

TEST(TableImport, TakesTheUnitTextFromTheSecondRowOfTheRegister) {
    struct Case {
        const char* line;
        const char* unit;
    };
    const Case cases[] = {
        {"某单位·2013年", "2013年"}, {"某单位", "某单位"},   {"甲·乙·丙", "乙"},
        {"·2014年3月", "2014年3月"}, {"某单位·", "某单位·"}, {"", ""},
    };
    for (const Case& c : cases) {
        const auto sheet = sheetOf({{label("清册")}, {label(c.line)}, {label("卡号")}});
        EXPECT_EQ(importSheet(TableKind::Register, sheet, "1").outcome.unitText, gbk(c.unit)) << c.line;
        EXPECT_EQ(importSheet(TableKind::Source, sheet, "1").outcome.unitText, "") << c.line;
    }
}

TEST(TableImport, LeavesZerosEmptyInTheRegisterOnly) {
    struct Case {
        sheet::Cell cell;
        const char* registerText;
        const char* sourceText;
    };
    // Column B holds numbers only, so its numbers carry eight decimals; column A mixes in text.
    const Case cases[] = {
        {number(0), "", "0.00000000"},
        {number(-0.0), "-0.00000000", "-0.00000000"},  // the sign comes first, as in "-0"
        {number(1e-8), "", "0.00000001"},
        {number(2e-7), "0.00000020", "0.00000020"},
        {number(1250), "1250.00000000", "1250.00000000"},
        {label("0"), "", "0"},
        {label("0123"), "0123", "0123"},
        {label("-0"), "-0", "-0"},
        {label("00"), "", "00"},
        {label("0.0000001"), "", "0.0000001"},
        {label("0.0000002"), "0.0000002", "0.0000002"},
        {label("0元"), "", "0元"},
        {label(" 0"), " 0", " 0"},
    };
    for (const Case& c : cases) {
        const bool isText = c.cell.kind == sheet::CellKind::Text;
        const auto sheet =
            sheetOf({{label("x"), number(1)}, {isText ? c.cell : empty(), isText ? empty() : c.cell}});
        const int column = isText ? 0 : 1;
        EXPECT_EQ(importSheet(TableKind::Register, sheet, "1,2").grid.cell(1, column), gbk(c.registerText))
            << c.sourceText;
        EXPECT_EQ(importSheet(TableKind::Source, sheet, "1,2").grid.cell(1, column), gbk(c.sourceText))
            << c.sourceText;
    }
}

TEST(TableImport, GivesColumnsBeyondTheSheetEmptyTitlesAndCells) {
    const Imported source = importSheet(TableKind::Source, labelledSheet(4, 3), "1,2,3,4,5");
    EXPECT_EQ(titles(source.grid), (Texts{"1.1", "1.2", "1.3", "", ""}));
    EXPECT_EQ(rowTexts(source.grid, 3), (Texts{"4.1", "4.2", "4.3", "", ""}));

    const Imported reg = importSheet(TableKind::Register, labelledSheet(4, 3), "3,9,1,0,7");
    EXPECT_EQ(titles(reg.grid), (Texts{"3.3", "1.2", "3.1", "", ""}));
    EXPECT_EQ(rowTexts(reg.grid, 3), (Texts{"4.3", "", "4.1", "", ""}));

    // An entry past the sheet's width that names an existing column still takes that column's cells.
    const Imported repeated = importSheet(TableKind::Source, labelledSheet(2, 2), "1,2,2");
    EXPECT_EQ(titles(repeated.grid), (Texts{"1.1", "1.2", ""}));
    EXPECT_EQ(rowTexts(repeated.grid, 1), (Texts{"2.1", "2.2", "2.2"}));
}

// Each entry is a grid column, and a grid of more columns than a workbook holds could never be exported.
TEST(TableImport, RefusesASpecOfMoreEntriesThanAWorkbookHasColumns) {
    const auto repeat = [](const std::string& piece, int times) {
        std::string spec;
        for (int i = 0; i < times; ++i) spec += piece;
        return spec;
    };
    struct Case {
        TableKind kind;
        std::string spec;
        int columns;  // 0: refused
        const char* message;
    };
    const Case cases[] = {
        {TableKind::Source, "1" + repeat(",1", 255), 256, ""},
        {TableKind::Register, repeat("2,", 256), 256, ""},  // the trailing comma adds no entry
        {TableKind::Source, "1" + repeat(",1", 256), 0,
         "设置“表2导入列”中有257个列号,超过了工作簿最多的256列,请改正设置后再导入。"},
        {TableKind::Register, repeat(",", 300), 0,
         "设置“表1导入列”中有300个列号,超过了工作簿最多的256列,请改正设置后再导入。"},
    };
    for (const Case& c : cases) {
        Imported imported;
        imported.grid.appendColumn("old");
        imported.grid.appendRow();
        WorksheetReader reader;
        reader.openSheet(labelledSheet(3, 2), false);
        imported.outcome = importTable(c.kind, reader, settings::parseTable("Sheet1", c.spec, ""),
                                       imported.grid, imported.progress);
        if (c.columns > 0) {
            EXPECT_EQ(imported.outcome.status, ReaderStatus::Ok) << c.spec.size();
            EXPECT_EQ(imported.grid.columnCount(), c.columns);
            continue;
        }
        EXPECT_EQ(imported.outcome.status, ReaderStatus::TooManyColumns) << c.spec.size();
        EXPECT_EQ(imported.outcome.message, gbk(c.message));
        EXPECT_EQ(imported.grid.rowCount(), 0);
        EXPECT_EQ(titles(imported.grid), (Texts{"old"}));
    }
}

TEST(TableImport, TitlesShortRegistersEmpty) {
    const Imported twoRows = importSheet(TableKind::Register, labelledSheet(2, 3), "2,3,5");
    // The chosen columns find no third row; the entry naming no column keeps its first-row title.
    EXPECT_EQ(titles(twoRows.grid), (Texts{"", "", "1.3"}));
    EXPECT_EQ(twoRows.grid.rowCount(), 2);
    EXPECT_EQ(twoRows.outcome.unitText, "2.1");

    const Imported oneRow = importSheet(TableKind::Register, labelledSheet(1, 2), "1,2");
    EXPECT_EQ(titles(oneRow.grid), (Texts{"", ""}));
    EXPECT_EQ(oneRow.outcome.unitText, "");
    ASSERT_EQ(oneRow.grid.rowCount(), 1);
    EXPECT_EQ(rowTexts(oneRow.grid, 0), (Texts{"1.1", "1.2"}));
}

TEST(TableImport, RebuildsTheColumnsOfAGridThatHeldATable) {
    Imported imported;
    imported.grid.appendColumn("old");
    imported.grid.appendRow();
    WorksheetReader reader;
    reader.openSheet(labelledSheet(2, 2), false);
    importTable(TableKind::Source, reader, settings::parseTable("Sheet1", "2", ""), imported.grid,
                imported.progress);
    EXPECT_EQ(titles(imported.grid), (Texts{"1.1"}));
    EXPECT_EQ(imported.grid.rowCount(), 2);

    // An empty sheet leaves no column at all, whatever the spec asks for.
    reader.openSheet(sheet::Sheet{}, false);
    importTable(TableKind::Source, reader, settings::parseTable("Sheet1", "1,2", ""), imported.grid,
                imported.progress);
    EXPECT_EQ(imported.grid.columnCount(), 0);
    EXPECT_EQ(imported.grid.rowCount(), 0);
}

// The straightforward reading of the rules: every worksheet column against every entry, each entry's
// number read anew at every test.
Grid importedByNestedLoops(TableKind kind, const WorksheetReader& reader, const Text& spec,
                           const Text& startRow) {
    Grid grid;
    const auto entries = text::split(spec);
    const int n = static_cast<int>(entries.size());
    const int m = reader.fieldCount();
    const auto first = reader.firstRecord();
    for (int j = 0; j < n && m >= 1; ++j) grid.appendColumn(j < m ? first[static_cast<std::size_t>(j)] : "");
    for (int i = 1; i <= m && kind == TableKind::Register; ++i) {
        for (int j = 1; j <= n; ++j) {
            if (text::readInteger(entries[static_cast<std::size_t>(j - 1)]) == i) {
                grid.setColumnTitle(j - 1, reader.field(3, i - 1));
            }
        }
    }
    for (int k = 1; k <= reader.recordCount(); ++k) {
        if (k < text::readInteger(startRow)) continue;
        const int r = grid.appendRow();
        for (int i = 1; i <= m; ++i) {
            for (int j = 1; j <= n; ++j) {
                if (text::readInteger(entries[static_cast<std::size_t>(j - 1)]) != i) continue;
                const Text v = reader.field(k, i - 1);
                const bool zero = v.substr(0, 1) == "0" && std::abs(text::readNumber(v)) <= 1e-7;
                if (!(kind == TableKind::Register && zero)) grid.setCell(r, j - 1, v);
            }
        }
    }
    return grid;
}

TEST(TableImport, MatchesTheNestedLoopsOnRandomSpecs) {
    std::mt19937 random(7);
    const char* entryTexts[] = {"1", "2",  "3", "4", "5",  "6",  "7",
                                "0", "-2", "x", "",  "２", " 3", "99999999999"};
    sheet::Sheet sheet = labelledSheet(12, 5);
    sheet.setCell(6, 1, number(0));
    sheet.setCell(7, 2, label("0.00"));
    WorksheetReader reader;
    reader.openSheet(sheet, false);
    for (int round = 0; round < 300; ++round) {
        Text spec;
        const int entries = std::uniform_int_distribution<int>(0, 9)(random);
        for (int index = 0; index < entries; ++index) {
            if (index > 0) spec += ",";
            spec += gbk(
                entryTexts[std::uniform_int_distribution<std::size_t>(0, std::size(entryTexts) - 1)(random)]);
        }
        const Text startRow = std::to_string(round % 5);
        const TableSettings settings = settings::parseTable("Sheet1", spec, startRow);
        for (TableKind kind : {TableKind::Register, TableKind::Source}) {
            Grid grid;
            RecordingProgress progress;
            importTable(kind, reader, settings, grid, progress);
            const Grid expected = importedByNestedLoops(kind, reader, spec, startRow);
            ASSERT_EQ(titles(grid), titles(expected)) << spec;
            ASSERT_EQ(grid.rowCount(), expected.rowCount()) << spec;
            for (int row = 0; row < grid.rowCount(); ++row) {
                ASSERT_EQ(rowTexts(grid, row), rowTexts(expected, row)) << spec << " row " << row;
            }
        }
    }
}

// A sheet of many thousand rows is copied on two threads; the rows must come out as one thread gives
// them, whether the reader keeps its records or frees each once taken.
TEST(TableImport, CopiesALargeSheetOnTwoThreadsInOrder) {
    const int records = 9001;
    sheet::Sheet sheet = labelledSheet(records, 3);
    for (int row = 0; row < records; row += 7) sheet.setCell(row, 2, number(0));
    const struct {
        TableKind kind;
        const char* spec;
        const char* startRow;
    } cases[] = {{TableKind::Register, "1,3,2,3", "4"},
                 {TableKind::Source, "3,1", "1"},
                 {TableKind::Source, "2,2", "0"},
                 {TableKind::Register, "0,2", "700"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        const TableSettings settings = settings::parseTable("Sheet1", c.spec, c.startRow);
        WorksheetReader reader, spent;
        reader.openSheet(sheet, false);
        spent.openSheet(sheet, false);
        const Grid expected = importedByNestedLoops(c.kind, reader, c.spec, c.startRow);
        Grid kept, freed;
        RecordingProgress progress;
        importTable(c.kind, reader, settings, kept, progress);
        importTable(c.kind, std::move(spent), settings, freed, progress);
        for (const Grid* grid : {&kept, &freed}) {
            ASSERT_EQ(grid->rowCount(), expected.rowCount());
            for (int row = 0; row < expected.rowCount(); ++row)
                ASSERT_EQ(rowTexts(*grid, row), rowTexts(expected, row)) << row;
        }
    }
}

TEST(TableImport, ShowsProgressWhileRunningAndClearsItAfter) {
    const Imported imported = importSheet(TableKind::Source, labelledSheet(25, 2), "1,2", "10");
    EXPECT_EQ(imported.progress.yields, 25);  // once per record, imported or not
    EXPECT_EQ(imported.progress.statusWhileRunning, phrases::statusWorking());
    EXPECT_EQ(imported.progress.rangeWhileRunning, (std::pair{1, 25}));
    EXPECT_EQ(imported.progress.highestPosition, 24);  // set after each record, seen at the next
    EXPECT_EQ(imported.progress.position(), 0);
    EXPECT_EQ(imported.progress.status(), "");
}

TEST(TableImport, ClearsRowsBeforeTheFileIsChosen) {
    for (TableKind kind : {TableKind::Register, TableKind::Source}) {
        Grid grid;
        grid.appendColumn("code");
        grid.appendRow();
        model::Progress progress;
        progress.setPosition(40);
        prepareImport(kind, grid, progress);
        EXPECT_EQ(grid.rowCount(), 0);
        EXPECT_EQ(titles(grid), (Texts{"code"}));
        EXPECT_EQ(progress.position(), kind == TableKind::Register ? 1 : 40);
    }
}

TEST(ImportFailureMessage, NamesTheFileAndTheProblem) {
    const text::FilePath path("/home/会计/表1.xls");
    using failure::Failure;
    using failure::Reason;
    using What = failure::Place::What;
    const auto inWorkbook = [&](Reason reason, failure::Place place = {}) {
        return Failure::inWorkbook(reason, place).inFile(path);
    };
    struct Case {
        Failure failure;
        ReaderStatus status;  // the shells' exit code follows it
        const char* expected;
    };
    const Case cases[] = {
        {inWorkbook(Reason::WorkbookDamaged, {What::SharedStringIndex, 0x00FD, 2, 5}), ReaderStatus::Damaged,
         "工作簿已损坏(第2张工作表第5行的共享文字编号超出范围),无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookDamaged, {What::CellRecord, 0x0203, 1, 3}), ReaderStatus::Damaged,
         "工作簿已损坏(第1张工作表第3行的单元格记录(0x0203)不完整),无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookDamaged, {What::Unknown, 0, 3, 0}), ReaderStatus::Damaged,
         "工作簿已损坏(第3张工作表),无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookDamaged, {What::Container, 0, 0, 0}), ReaderStatus::Damaged,
         "工作簿已损坏(复合文档结构无法读取),无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookTooLarge, {What::RowsBeyond, 0, 1, 65537}), ReaderStatus::TooLarge,
         "工作簿过大(第1张工作表第65537行超出每表65,536行的上限),无法完整读取: /home/会计/表1.xls"},
        {Failure::cannotOpen(path, Failure(Reason::FileMissing)), ReaderStatus::CannotOpen,
         "无法打开文件: /home/会计/表1.xls（文件不存在）"},
        {Failure::cannotOpen(path, Failure(Reason::SystemError, 5)), ReaderStatus::CannotOpen,
         "无法打开文件: /home/会计/表1.xls（读写出错(系统错误 5)）"},
        {Failure::cannotOpen(path, {}), ReaderStatus::CannotOpen, "无法打开文件: /home/会计/表1.xls"},
        {Failure(Reason::NotRegularFile).inFile(path), ReaderStatus::NotAFile,
         "不是普通文件(是文件夹、管道或设备),无法读取: /home/会计/表1.xls"},
        {Failure(Reason::OutOfMemory).inFile(path), ReaderStatus::OutOfMemory,
         "内存不足,无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::NotAWorkbook), ReaderStatus::NotWorkbook,
         "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): /home/会计/表1.xls"},
        {inWorkbook(Reason::UnsupportedVersion), ReaderStatus::NotWorkbook,
         "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookDamaged), ReaderStatus::Damaged,
         "工作簿已损坏,无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookEncrypted), ReaderStatus::Encrypted,
         "工作簿已加密(设有密码),无法读取: /home/会计/表1.xls"},
        {inWorkbook(Reason::WorkbookTooLarge), ReaderStatus::TooLarge,
         "工作簿过大(超出每表65536行、256列,或解压后过大),无法完整读取: /home/会计/表1.xls"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.failure.describe(), gbk(c.expected)) << c.expected;
        EXPECT_EQ(statusOf(c.failure), c.status) << c.expected;
    }
    EXPECT_EQ(statusOf(Failure()), ReaderStatus::Ok);
    EXPECT_EQ(sheetMissingMessage(path, "Sheet1$", {gbk("发放明细"), "Sheet2"}),
              gbk("工作簿中没有名为“Sheet1$”的工作表: /home/会计/表1.xls\n该工作簿中的工作表: "
                  "“发放明细”、“Sheet2”"));
    EXPECT_EQ(sheetMissingMessage(path, "Sheet1", {}),
              gbk("工作簿中没有名为“Sheet1”的工作表: /home/会计/表1.xls\n该工作簿中的工作表: (无)"));
}

TEST(ImportFailureMessage, SaysWhyAFileCouldNotBeOpened) {
    testsupport::ScratchFolder folder("unopened");
    const std::string locked = folder.file("locked.xls");
    std::ofstream(locked) << "x";
    ::chmod(locked.c_str(), 0);
    struct Case {
        std::string path;
        const char* reason;
    };
    std::vector<Case> cases = {{folder.file("missing.xls"), "文件不存在"}};
    if (testsupport::permissionsHold())
        cases.push_back({locked, "没有读取权限"});  // root reads it regardless
    // The reason is the one met when the file was opened, carried to the message.
    for (const Case& c : cases) {
        WorksheetReader reader;
        EXPECT_EQ(reader.open(text::FilePath(c.path), "Sheet1"), ReaderStatus::CannotOpen) << c.reason;
        EXPECT_EQ(reader.failure().describe(),
                  gbk("无法打开文件: ") + gbk(c.path.c_str()) + gbk("（") + gbk(c.reason) + gbk("）"));
    }
    // A folder where the workbook was expected is named as such, not as a file that would not open.
    WorksheetReader reader;
    EXPECT_EQ(reader.open(text::FilePath(folder.path()), "Sheet1"), ReaderStatus::NotAFile);
    EXPECT_EQ(reader.failure().describe(),
              gbk("不是普通文件(是文件夹、管道或设备),无法读取: ") + gbk(folder.path().c_str()));
}

}  // namespace
}  // namespace velmora::import
