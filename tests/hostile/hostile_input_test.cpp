// SPDX-License-Identifier: GPL-3.0-or-later
// Damaged, odd and oversized input files: the import and the settings must answer each with a clear
// message or a documented result, never a crash.
#include <gtest/gtest.h>

#include "export/csv_export.h"
#include "hostile/hostile_test_support.h"
#include "import/table_import.h"
#include "settings/import_settings.h"
#include "settings/ini_file.h"
#include "text/encoding.h"
#include "xls/workbook.h"
#include "xls/workbook_writer.h"

namespace velmora::hostile {
namespace {

using import::ImportOutcome;
using import::ReaderStatus;
using import::TableKind;
using import::TableSettings;
using text::Text;

std::string fixture(const std::string& name) { return std::string(VELMORA_TEST_DATA) + "/" + name; }

struct Imported {
    ImportOutcome outcome;
    model::Grid grid;
};

Imported importFile(const std::string& path, const Text& sheet, const Text& columns) {
    Imported imported;
    model::Progress progress;
    import::prepareImport(TableKind::Source, imported.grid, progress);
    imported.outcome = import::importTable(TableKind::Source, text::FilePath(path),
                                           settings::parseTable(sheet, columns, ""), imported.grid, progress);
    return imported;
}

// Writes a one-sheet workbook "S" with the project's writer.
std::string writeSheet(const ScratchFolder& folder, const std::string& name, const std::vector<Text>& headers,
                       const std::vector<std::vector<Text>>& rows) {
    const std::string path = folder.file(name);
    xls::VectorRowSource source(rows);
    EXPECT_EQ(xls::writeWorkbook(path, headers, source, "S"), xls::WriteError::None) << name;
    return path;
}

TEST(HostileWorkbooks, EveryUnreadableFileGetsAMessageNamingIt) {
    struct Case {
        const char* file;
        ReaderStatus status;
        const char* problem;  // the message's start, before the path
    };
    const Case cases[] = {
        {"empty.xls", ReaderStatus::NotWorkbook,
         "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): "},  // zero bytes
        {"not-a-workbook.xls", ReaderStatus::NotWorkbook,
         "文件不是可读取的工作簿(.xls、.xlsx、.xlsm、.ods、.fods): "},  // CSV text
        {"truncated.xls", ReaderStatus::Damaged, nullptr},
        {"fuzz/huge-stream-claim.xls", ReaderStatus::Damaged, nullptr},
        {"fuzz/unlinked-directory-entry.xls", ReaderStatus::NotWorkbook, nullptr},  // no stream left
        {"workbooks/encrypted.xlsx", ReaderStatus::Encrypted, nullptr},
        {"workbooks/truncated.xlsx", ReaderStatus::Damaged, nullptr},
        {"workbooks/zip-bomb.xlsx", ReaderStatus::TooLarge, nullptr},
        {"workbooks/entity-bomb.xlsx", ReaderStatus::Damaged, nullptr},
        {"workbooks/external-entity.xlsx", ReaderStatus::Damaged, nullptr},
        {"workbooks/encrypted.ods", ReaderStatus::Encrypted, nullptr},
        {"workbooks/repeated-value.ods", ReaderStatus::TooLarge, nullptr},
    };
    for (const Case& c : cases) {
        const Imported imported = importFile(fixture(c.file), "Sheet1", "1,2");
        EXPECT_EQ(imported.outcome.status, c.status) << c.file;
        const Text message = imported.outcome.message;
        const Text path = fixture(c.file);
        ASSERT_GE(message.size(), path.size()) << c.file;
        EXPECT_EQ(message.substr(message.size() - path.size()), path) << c.file;
        if (c.problem) {
            EXPECT_EQ(message.rfind(text::gbkFromUtf8(c.problem), 0), 0u) << c.file;
        }
        EXPECT_EQ(imported.grid.rowCount(), 0) << c.file;
    }
}

TEST(HostileWorkbooks, FuzzFindingsOpenWithoutCrashing) {
    // Inputs the fuzzer found; each must open or fail with a reason, and every sheet read the same way.
    for (const auto& entry : fs::directory_iterator(fixture("fuzz"))) {
        failure::Failure error;
        const auto workbook = xls::Workbook::open(text::FilePath(entry.path().string()), error);
        if (!workbook) {
            EXPECT_NE(error.reason(), failure::Reason::None) << entry.path();
            continue;
        }
        for (std::size_t index = 0; index < workbook->sheets().size(); ++index) {
            if (!workbook->readSheet(index, error)) {
                EXPECT_NE(error.reason(), failure::Reason::None) << entry.path();
            }
        }
    }
}

TEST(HostileWorkbooks, ASheetOfEveryRowImportsToTheLast) {
    ScratchFolder folder("rows");
    std::vector<std::vector<Text>> rows(xls::kMaxDataRows);
    for (std::size_t r = 0; r < rows.size(); ++r) rows[r] = {"c" + std::to_string(r + 2)};
    const Imported imported = importFile(writeSheet(folder, "rows.xls", {"code"}, rows), "S", "1");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << imported.outcome.message;
    ASSERT_EQ(imported.grid.rowCount(), 65536);
    EXPECT_EQ(imported.grid.cell(1, 0), "c2");
    EXPECT_EQ(imported.grid.cell(65535, 0), "c65536");
}

TEST(HostileWorkbooks, ASheetOfEveryColumnImportsToTheLast) {
    ScratchFolder folder("columns");
    std::vector<Text> headers;
    std::vector<Text> row;
    for (int c = 1; c <= 256; ++c) {
        headers.push_back("h" + std::to_string(c));
        row.push_back("v" + std::to_string(c));
    }
    const Imported imported =
        importFile(writeSheet(folder, "wide.xls", headers, {row}), "S", "1,255,256,257");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << imported.outcome.message;
    ASSERT_EQ(imported.grid.columnCount(), 4);
    EXPECT_EQ(imported.grid.columnTitle(2), "h3");  // titles come from the leading columns
    ASSERT_EQ(imported.grid.rowCount(), 2);
    EXPECT_EQ(imported.grid.cell(1, 0), "v1");
    EXPECT_EQ(imported.grid.cell(1, 1), "v255");
    EXPECT_EQ(imported.grid.cell(1, 2), "v256");
    EXPECT_EQ(imported.grid.cell(1, 3), "");  // column 257 lies beyond the format
}

TEST(HostileWorkbooks, ALongestCellComesBackWhole) {
    ScratchFolder folder("long");
    // 32,767 characters, the most a cell holds: Chinese ones need two bytes each and split across records.
    Text longest;
    for (std::size_t i = 0; i < xls::kMaxCellUnits; ++i)
        longest += i % 2 ? text::gbkFromUtf8("字") : Text("a");
    const Imported imported = importFile(writeSheet(folder, "long.xls", {"x"}, {{longest}}), "S", "1");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << imported.outcome.message;
    ASSERT_EQ(imported.grid.rowCount(), 2);
    EXPECT_EQ(imported.grid.cell(1, 0), longest);
}

TEST(HostileWorkbooks, SeparatorsInCellsSurviveImportAndCsv) {
    ScratchFolder folder("separators");
    const std::vector<Text> row = {"say \"hi\"", "1,5", "a\rb", "c\nd", "e\tf", "g\r\nh"};
    const Imported imported =
        importFile(writeSheet(folder, "sep.xls", {"1", "2", "3", "4", "5", "6"}, {row}), "S", "1,2,3,4,5,6");
    ASSERT_EQ(imported.outcome.status, ReaderStatus::Ok) << imported.outcome.message;
    ASSERT_EQ(imported.grid.rowCount(), 2);
    for (int c = 0; c < 6; ++c) EXPECT_EQ(imported.grid.cell(1, c), row[static_cast<std::size_t>(c)]) << c;
    // Quotes, commas, CR and LF are quoted so each cell reads back as one field; a tab needs no quotes.
    EXPECT_EQ(exporting::csvContent(imported.grid),
              "1,2,3,4,5,6,\r\n\"say \"\"hi\"\"\",\"1,5\",\"a\rb\",\"c\nd\",e\tf,\"g\r\nh\",\r\n");
}

TEST(HostileSettings, BinaryGarbageReadsAsEmptySettingsAndIsReplacedCleanly) {
    ScratchFolder folder("ini-garbage");
    const std::string path = folder.file("vozuz.ini");
    std::string garbage;
    for (int i = 0; i < 65536; ++i) garbage.push_back(static_cast<char>((i * 7919 + i / 13) % 256));
    writeBytes(path, garbage);
    const settings::ImportSettings loaded = settings::loadSettings(text::FilePath(path));
    for (const Text& value : loaded) EXPECT_LE(value.size(), settings::kMaxValueBytes);

    settings::ImportSettings chosen;
    chosen[0] = text::gbkFromUtf8("发放明细");
    chosen[1] = "1,2";
    ASSERT_TRUE(settings::saveSettings(text::FilePath(path), chosen).ok());
    EXPECT_EQ(settings::loadSettings(text::FilePath(path)), chosen);
}

TEST(HostileSettings, AMegabyteValueIsCutAtTheLimitAndTheRestKept) {
    ScratchFolder folder("ini-long");
    const std::string path = folder.file("vozuz.ini");
    const settings::SettingId id = settings::SettingId::RegisterSheet;
    writeBytes(path, "[" + settings::sectionOf(id) + "]\r\n" + settings::keyOf(id) + "=" +
                         std::string(1 << 20, 'x') + "\r\n[other]\r\nkeep=1\r\n");
    settings::ImportSettings loaded = settings::loadSettings(text::FilePath(path));
    EXPECT_EQ(settings::at(loaded, id), std::string(settings::kMaxValueBytes, 'x'));
    ASSERT_TRUE(settings::saveSettings(text::FilePath(path), loaded).ok());
    std::string bytes = readBytes(path);
    EXPECT_LT(bytes.size(), std::size_t{20000});
    EXPECT_EQ(settings::IniFile::parse(bytes).value("other", "keep"), "1");
}

}  // namespace
}  // namespace velmora::hostile
