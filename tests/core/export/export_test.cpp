// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <tuple>

#include "export/csv_export.h"
#include "export/export_command.h"
#include "export/scratch_database.h"
#include "export/template_database.h"
#include "export/workbook_export.h"
#include "fileio/files.h"
#include "fileio/private_folder.h"
#include "fileio/timed_lock.h"
#include "reconcile/report.h"
#include "support/independent_reader.h"
#include "support/protected_file.h"
#include "support/read_file.h"
#include "support/scratch_folder.h"
#include "text/encoding.h"
#include "text/phrases.h"
#include "xls/workbook.h"
#include "xls/workbook_writer.h"

namespace velmora::exporting {
namespace {

namespace fs = std::filesystem;
using model::Grid;
using testsupport::ScratchFolder;
using text::Text;

Text gbk(const std::string& utf8) { return text::gbkFromUtf8(utf8); }

// A grid to "<name>.xls" in `folder` in the export's two steps, with the scratch file at `scratchPath`.
bool writeGridToWorkbook(const Grid& grid, const std::string& folder, const Text& name, const Text& sheet,
                         model::Progress* progress, const std::string& scratchPath) {
    failure::Failure why;
    std::optional<xls::WorkbookDraft> draft =
        startGridWorkbook(grid, sheet, progress, text::FilePath(scratchPath))->take(why);
    return draft && writeWorkbookDraft(std::move(*draft), text::FilePath(folder), name).ok();
}

Grid makeGrid(const std::vector<Text>& titles, const std::vector<std::vector<Text>>& rows) {
    Grid grid;
    for (const Text& title : titles) grid.appendColumn(title);
    for (const auto& row : rows) {
        const int r = grid.appendRow();
        for (std::size_t c = 0; c < row.size(); ++c) grid.setCell(r, static_cast<int>(c), row[c]);
    }
    return grid;
}

std::string readFile(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(testsupport::readWholeFile(path, bytes)) << path;
    return bytes;
}

TEST(CsvExport, WritesEveryCellWithItsSeparatorAndQuotesOnlyWhatNeedsIt) {
    struct Case {
        const char* name;
        Grid grid;
        Text expected;
    };
    const Case cases[] = {
        {"two rows, an empty cell", makeGrid({"x", "y", "z"}, {{"a", "b", "c"}, {"d", "", "f"}}),
         "a,b,c,\r\nd,,f,\r\n"},
        {"no rows", makeGrid({"x", "y"}, {}), ""},
        {"comma", makeGrid({"x", "y"}, {{"1,5", "2"}}), "\"1,5\",2,\r\n"},
        {"quotes doubled", makeGrid({"x"}, {{"say \"hi\""}}), "\"say \"\"hi\"\"\",\r\n"},
        {"line breaks", makeGrid({"x", "y"}, {{"a\r\nb", "c\nd"}}), "\"a\r\nb\",\"c\nd\",\r\n"},
        {"other bytes as they are", makeGrid({"x", "y"}, {{"O'Brien", " 7 "}}), "O'Brien, 7 ,\r\n"},
        {"Chinese and markers", makeGrid({"x", ""}, {{gbk("张三"), gbk("未找到此编码")}}),
         gbk("张三,未找到此编码,\r\n")},
        // 0x5C and 0x7C as second bytes of GBK characters are not separators and need no quotes.
        {"GBK second bytes", makeGrid({"x"}, {{"\x96\x7C\xD5\x5C"}}), "\x96\x7C\xD5\x5C,\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(csvContent(c.grid), c.expected) << c.name;
    EXPECT_EQ(csvContent(cases[0].grid).size(), 15u);
}

std::string block(std::uint32_t magic, std::uint32_t length, const std::string& stream) {
    std::string b;
    for (std::uint32_t v : {magic, length}) {
        for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i));
    }
    return b + stream;
}

std::string deflate(const std::string& data) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              data.size(), 9);
    out.resize(size);
    return out;
}

TEST(TemplateDatabase, InflatesOnlyASoundBlock) {
    const std::string data(4096, 'D');
    const std::string good = deflate(data);
    std::string badChecksum = good;
    badChecksum.back() ^= 0x01;  // the Adler-32 trailer
    std::string corrupt = good;
    corrupt[4] ^= 0x5A;
    struct Case {
        const char* name;
        std::string block;
        std::string expected;
    };
    const Case cases[] = {
        {"sound", block(kTemplateMagic, 4096, good), data},
        {"output up to twice the stated length", block(kTemplateMagic, 2048, good), data},
        {"output beyond twice the stated length", block(kTemplateMagic, 2047, good), ""},
        {"seven bytes", block(kTemplateMagic, 4096, good).substr(0, 7), ""},
        {"header only", block(kTemplateMagic, 4096, ""), ""},
        {"wrong magic", block(kTemplateMagic + 1, 4096, good), ""},
        {"corrupt stream", block(kTemplateMagic, 4096, corrupt), ""},
        {"checksum mismatch", block(kTemplateMagic, 4096, badChecksum), ""},
        {"stream cut short", block(kTemplateMagic, 4096, good.substr(0, good.size() / 2)), ""},
        {"huge stated length, small stream", block(kTemplateMagic, 0xFFFFFFFFu, good), data},
    };
    for (const Case& c : cases) EXPECT_EQ(inflateTemplateBlock(c.block), c.expected) << c.name;
}

TEST(TemplateDatabase, EmbeddedBlockIsABlankDatabase) {
    const std::string database = inflateTemplateBlock(templateDatabaseBlock());
    ASSERT_FALSE(database.empty());
    EXPECT_EQ(database.substr(0, 16), std::string("SQLite format 3\0", 16));
}

TEST(ScratchDatabase, PathCollapsesDoubledSlashes) {
    const std::pair<const char*, const char*> cases[] = {
        {"/tmp/", "/tmp/db.tmp"},
        {"/tmp", "/tmp/db.tmp"},
        {"//server//share/", "/server/share/db.tmp"},
        {"/a///b/", "/a//b/db.tmp"},  // one pass: three slashes become two
    };
    for (const auto& [folder, expected] : cases)
        EXPECT_EQ(scratchDatabasePath(folder).native(), expected) << folder;
    EXPECT_EQ(quoteIdentifier("a\"b"), "\"a\"\"b\"");
}

// A database failure the system had no part in keeps SQLite's own code, so two such failures are told
// apart in the clerk's sentence.
TEST(ScratchDatabase, AFailureOfItsOwnCarriesSqlitesCode) {
    ScratchFolder folder("sqlite-code");
    ScratchDatabase db;
    ASSERT_TRUE(
        db.create(text::FilePath(folder.file("db.tmp")), inflateTemplateBlock(templateDatabaseBlock())).ok());
    ASSERT_FALSE(db.execute("SELECT * FROM no_such_table"));
    const failure::Failure why = db.lastFailure();
    EXPECT_EQ(why.sqliteCode(), SQLITE_ERROR);
    EXPECT_EQ(why.describe(), gbk("读写出错(SQLite 错误 1)"));
}

// Reads a written workbook back with the project's reader and compares it with the grid, header row
// first. Every cell must come back as the same text, empty cells as nothing.
void expectWorkbookHolds(const std::string& path, const Grid& grid, const Text& sheetName = "Sheet1") {
    failure::Failure error;
    const auto workbook = xls::Workbook::open(text::FilePath(path), error);
    ASSERT_TRUE(workbook.has_value()) << static_cast<int>(error.reason());
    ASSERT_EQ(workbook->sheets().size(), 1u);
    EXPECT_EQ(workbook->sheets()[0].name, sheetName);
    const auto sheet = workbook->readSheet(0, error);
    ASSERT_TRUE(sheet.has_value());
    auto expect = [&](int row, int column, std::string_view text) {
        const xls::Cell& cell = sheet->cell(row, column);
        EXPECT_EQ(cell.kind, text.empty() ? xls::CellKind::Empty : xls::CellKind::Text)
            << row << "," << column;
        EXPECT_EQ(cell.text, text) << row << "," << column;
    };
    for (int c = 0; c < grid.columnCount(); ++c) expect(0, c, grid.columnTitle(c));
    for (int r = 0; r < grid.rowCount(); ++r) {
        for (int c = 0; c < grid.columnCount(); ++c) expect(r + 1, c, grid.cell(r, c));
    }
    EXPECT_LE(sheet->rowCount(), grid.rowCount() + 1);
    EXPECT_LE(sheet->columnCount(), grid.columnCount());

    std::vector<std::vector<Text>> rows(1);
    for (int c = 0; c < grid.columnCount(); ++c) rows[0].push_back(grid.columnTitle(c));
    for (int r = 0; r < grid.rowCount(); ++r) {
        auto& row = rows.emplace_back();
        for (int c = 0; c < grid.columnCount(); ++c) row.emplace_back(grid.cell(r, c));
    }
    testsupport::expectXlrdReads(path, rows, sheetName);
}

TEST(WorkbookExport, WritesTheGridAsItStands) {
    struct Case {
        const char* name;
        Grid grid;
    };
    const Case cases[] = {
        {"no rows", makeGrid({gbk("编码"), gbk("姓名")}, {})},
        {"one column", makeGrid({gbk("编码")}, {{"001"}, {"002"}})},
        {"empty and repeated headers",
         makeGrid({gbk("编码"), gbk("姓名"), gbk("金额"), gbk("金额"), "", ""},
                  {{"001", gbk("张三"), "1.5", "", gbk("表2姓名为:"), gbk("张叁")},
                   {"002", "", "", "3", "", ""}})},
        {"quotes and Chinese", makeGrid({"name", "note"}, {{"O'Brien", "say \"x\"; DROP TABLE tmp"},
                                                           {gbk("欧布莱恩"), gbk("二〇一三年十一月")}})},
        {"no columns", Grid()},
    };
    ScratchFolder folder("wb");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model::Progress progress;
        ASSERT_TRUE(writeGridToWorkbook(c.grid, folder.path(), gbk("导出的表1"), {}, &progress,
                                        folder.file("db.tmp")));
        expectWorkbookHolds(folder.file("导出的表1.xls"), c.grid);
        EXPECT_EQ(progress.maximum(), c.grid.rowCount());
        EXPECT_EQ(progress.position(), c.grid.rowCount());
        EXPECT_TRUE(fs::exists(testsupport::pathOf(folder.file("db.tmp"))))
            << "the scratch file is left for the next call";
    }
}

// Reads table "tmp" of the scratch file back, row by row in rowid order.
std::vector<std::vector<Text>> scratchRows(const std::string& path, int columns) {
    std::vector<std::vector<Text>> rows;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* select = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT * FROM \"tmp\" ORDER BY rowid", -1, &select, nullptr),
              SQLITE_OK);
    while (select != nullptr && sqlite3_step(select) == SQLITE_ROW) {
        std::vector<Text>& row = rows.emplace_back();
        for (int c = 0; c < columns; ++c) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(select, c));
            row.emplace_back(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(select, c)));
        }
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return rows;
}

TEST(WorkbookExport, ScratchTableHoldsEveryRowInOrder) {
    ScratchFolder folder("rows");
    // Row counts around the number of rows one insert statement takes, so both kinds of insert run.
    // Past a thousand, counts around the blocks the read-back hands over.
    for (int rowCount : {0, 1, 31, 32, 33, 100, 1024, 1025, 2048, 5000}) {
        SCOPED_TRACE(rowCount);
        std::vector<std::vector<Text>> rows;
        for (int r = 0; r < rowCount; ++r)
            rows.push_back({std::to_string(r), r % 3 ? gbk("张三") : "", "O'Brien"});
        const Grid grid = makeGrid({"a", "b", "c"}, rows);
        model::Progress progress;
        ASSERT_TRUE(writeGridToWorkbook(grid, folder.path(), "w", {}, &progress, folder.file("db.tmp")));
        EXPECT_EQ(scratchRows(folder.file("db.tmp"), 3), rows);
        EXPECT_EQ(progress.position(), rowCount);
        expectWorkbookHolds(folder.file("w.xls"), grid);
    }
}

TEST(WorkbookExport, ADraftStillBeingMadeKeepsItsRowsWhileTheNextGridUsesTheScratchFile) {
    ScratchFolder folder("pending");
    std::vector<std::vector<Text>> firstRows, secondRows;
    for (int r = 0; r < 9000; ++r) {  // several blocks of read-back rows
        firstRows.push_back({std::to_string(r), gbk("张三")});
        secondRows.push_back({gbk("李四"), std::to_string(9000 - r), "x"});
    }
    const Grid first = makeGrid({"a", "b"}, firstRows);
    const Grid second = makeGrid({"c", "d", "e"}, secondRows);
    // The second grid replaces the scratch file while the first draft may still take its rows.
    const text::FilePath scratchPath(folder.file("db.tmp"));
    auto pendingFirst = startGridWorkbook(first, {}, nullptr, scratchPath);
    auto pendingSecond = startGridWorkbook(second, {}, nullptr, scratchPath);
    failure::Failure why;
    for (auto [pending, name, grid] :
         {std::tuple{pendingFirst.get(), "w1", &first}, std::tuple{pendingSecond.get(), "w2", &second}}) {
        SCOPED_TRACE(name);
        std::optional<xls::WorkbookDraft> draft = pending->take(why);
        ASSERT_TRUE(draft.has_value()) << why.describe();
        ASSERT_TRUE(writeWorkbookDraft(std::move(*draft), text::FilePath(folder.path()), name).ok());
        expectWorkbookHolds(folder.file(std::string(name) + ".xls"), *grid);
    }
}

TEST(WorkbookExport, ALinkAtTheScratchNameIsReplacedNeverWrittenThrough) {
    if (!testsupport::hasModeBits()) GTEST_SKIP() << "links need privileges on Windows";
    ScratchFolder folder("scratchlink");
    const std::string victim = folder.file("precious.csv");
    ASSERT_TRUE(fileio::writeFileAtomically(victim, "the clerk's figures").ok());
    fs::create_symlink(victim, folder.file("db.tmp"));
    const Grid grid = makeGrid({"a"}, {{"1"}});
    ASSERT_TRUE(writeGridToWorkbook(grid, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    EXPECT_EQ(readFile(victim), "the clerk's figures");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder.file("db.tmp"))));
    expectWorkbookHolds(folder.file("w.xls"), grid);
}

TEST(WorkbookExport, TakesAGivenSheetNameWithOrWithoutBrackets) {
    ScratchFolder folder("sheet");
    const Grid grid = makeGrid({"a"}, {{"1"}});
    ASSERT_TRUE(writeGridToWorkbook(grid, folder.path(), "w", "[Data]", nullptr, folder.file("db.tmp")));
    expectWorkbookHolds(folder.file("w.xls"), grid, "Data");
}

TEST(WorkbookExport, FailureLeavesThePreviousWorkbookIntact) {
    ScratchFolder folder("fail");
    const Grid first = makeGrid({"a"}, {{"1"}});
    ASSERT_TRUE(writeGridToWorkbook(first, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    const std::string before = readFile(folder.file("w.xls"));

    Grid tooWide;
    for (int c = 0; c < 257; ++c) tooWide.appendColumn("h");
    EXPECT_FALSE(writeGridToWorkbook(tooWide, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    Grid tooLong = makeGrid({"a"}, {{Text(32768, 'x')}});
    EXPECT_FALSE(writeGridToWorkbook(tooLong, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    // The reading thread is still ahead of the writer when the writer gives up at the first row.
    Grid tooLongEarly = makeGrid({"a"}, std::vector<std::vector<Text>>(6000, {"y"}));
    tooLongEarly.setCell(0, 0, Text(32768, 'x'));
    EXPECT_FALSE(writeGridToWorkbook(tooLongEarly, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    Grid tooManyRows = makeGrid({"a"}, {});
    for (int r = 0; r < 65536; ++r) tooManyRows.appendRow();
    EXPECT_FALSE(writeGridToWorkbook(tooManyRows, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    EXPECT_EQ(readFile(folder.file("w.xls")), before);

    if (testsupport::permissionsHold()) {  // root writes into read-only folders regardless
        ::chmod(folder.path().c_str(), 0555);
        EXPECT_FALSE(writeGridToWorkbook(makeGrid({"b"}, {{"2"}}), folder.path(), "w", {}, nullptr,
                                         folder.file("db.tmp")));
        ::chmod(folder.path().c_str(), 0755);
        EXPECT_EQ(readFile(folder.file("w.xls")), before);
    }
    // For root too: a workbook this account may not replace stays as it was.
    ASSERT_TRUE(testsupport::protectFile(folder.file("w.xls")));
    EXPECT_FALSE(writeGridToWorkbook(makeGrid({"b"}, {{"2"}}), folder.path(), "w", {}, nullptr,
                                     folder.file("db.tmp")));
    EXPECT_EQ(readFile(folder.file("w.xls")), before);
    // A scratch file that cannot be written fails the call too.
    EXPECT_FALSE(writeGridToWorkbook(first, folder.path(), "w2", {}, nullptr, "/nonexistent-velmora/db.tmp"));
    EXPECT_FALSE(fs::exists(testsupport::pathOf(folder.file("w2.xls"))));
}

// A connection to the scratch file a finished export left behind, for a test to change its tables.
class ScratchConnection {
public:
    explicit ScratchConnection(const std::string& path) {
        EXPECT_EQ(sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    }
    ~ScratchConnection() { sqlite3_close(m_db); }
    void execute(const std::string& sql) {
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }
    sqlite3* get() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};

TEST(WorkbookExport, WorkbookHoldsWhatTheScratchTablesHold) {
    ScratchFolder folder("readback");
    const Grid grid = makeGrid({"a", "b", ""}, {{"1", "x", ""}, {"2", gbk("张三"), "z"}});
    ASSERT_TRUE(writeGridToWorkbook(grid, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
    ScratchConnection db(folder.file("db.tmp"));
    // Titles come by position and rows by rowid, whatever order they were stored in.
    db.execute("UPDATE tmp_titles SET title = 'B' WHERE position = 1");
    db.execute("UPDATE tmp SET c3 = 'changed' WHERE rowid = 2");
    db.execute("DELETE FROM tmp WHERE rowid = 1");
    db.execute("INSERT INTO tmp (rowid, c1, c2, c3) VALUES (0, '0', 'first', '')");
    xls::WriteError error = xls::WriteError::None;
    auto draft = workbookDraftFromTables(db.get(), 3, 2, "Sheet1", error);
    ASSERT_TRUE(draft.has_value());
    ASSERT_EQ(xls::writeWorkbookStream(folder.file("r.xls"), std::move(*draft).finish()),
              xls::WriteError::None);
    expectWorkbookHolds(folder.file("r.xls"),
                        makeGrid({"a", "B", ""}, {{"0", "first", ""}, {"2", gbk("张三"), "changed"}}));
}

TEST(WorkbookExport, ReadBackFailsUnlessTheTablesHoldTheGridWhole) {
    struct Case {
        const char* name;
        std::string change;  // SQL run on the scratch file before it is read back
        int columns, rows;
        bool sound;
    };
    const Case cases[] = {
        {"as written", "", 2, 3, true},
        {"a row lost", "DELETE FROM tmp WHERE rowid = 2", 2, 3, false},
        {"a row more", "INSERT INTO tmp VALUES ('4', 'd')", 2, 3, false},
        {"fewer rows expected", "", 2, 2, false},
        {"a title lost", "DELETE FROM tmp_titles WHERE position = 1", 2, 3, false},
        {"a title more", "INSERT INTO tmp_titles VALUES (2, 'c')", 2, 3, false},
        {"no row table", "DROP TABLE tmp", 2, 3, false},
        {"no title table", "DROP TABLE tmp_titles", 2, 3, false},
    };
    ScratchFolder folder("mismatch");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Grid grid = makeGrid({"a", "b"}, {{"1", "x"}, {"2", "y"}, {"3", "z"}});
        ASSERT_TRUE(writeGridToWorkbook(grid, folder.path(), "w", {}, nullptr, folder.file("db.tmp")));
        ScratchConnection db(folder.file("db.tmp"));
        if (!c.change.empty()) db.execute(c.change);
        xls::WriteError error = xls::WriteError::None;
        EXPECT_EQ(workbookDraftFromTables(db.get(), c.columns, c.rows, "Sheet1", error).has_value(), c.sound);
        EXPECT_EQ(error, xls::WriteError::None);
    }
}

// Answers the two save dialogs from a script: a path, or cancel.
class ScriptedPrompt : public CsvPathPrompt {
public:
    std::map<int, std::optional<std::string>> answers;
    std::vector<std::pair<int, Text>> asked;
    std::optional<text::FilePath> askCsvPath(int table, const Text& proposedName) override {
        asked.emplace_back(table, proposedName);
        const std::optional<std::string>& answer = answers[table];
        if (!answer) return std::nullopt;
        return text::FilePath(*answer);
    }
};

// Records every position the bar was set to, leaving out the clamping a change of range does.
class RecordingProgress : public model::Progress {
public:
    std::vector<int> positions;
    void setMinimum(int minimum) override {
        m_ranging = true;
        Progress::setMinimum(minimum);
        m_ranging = false;
    }
    void setMaximum(int maximum) override {
        m_ranging = true;
        Progress::setMaximum(maximum);
        m_ranging = false;
    }
    int yields = 0;
    void yield() override { ++yields; }
    void setPosition(int position) override {
        Progress::setPosition(position);
        if (!m_ranging) positions.push_back(this->position());
    }

private:
    bool m_ranging = false;
};

struct ExportFixture {
    Grid registerGrid =
        makeGrid({gbk("编码"), gbk("姓名"), ""}, {{"001", gbk("张三"), ""}, {"002", "1,5", ""}});
    Grid sourceGrid = makeGrid({gbk("编码"), gbk("姓名")}, {{"001", gbk("张三")}});
    Text summary = gbk("结果提示:未找到的一卡通编码有0个, 姓名不符的有0个. ");
    ScriptedPrompt prompt;
    RecordingProgress progress;

    ExportJob job(const std::string& folder) {
        return ExportJob{registerGrid, sourceGrid, text::FilePath(folder), gbk("某单位"), summary, "", "",
                         prompt,       progress};
    }
};

TEST(ExportCommand, WritesEveryFileAndReportsSuccess) {
    ScratchFolder folder("cmd");
    ExportFixture f;
    f.prompt.answers[1] = folder.file("t1.csv");
    f.prompt.answers[2] = folder.file("t2.csv");
    // A scratch folder of this test's own, which no other export running alongside writes.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string oldRuntime = runtime != nullptr ? runtime : "";
    testsupport::setEnvironment("XDG_RUNTIME_DIR", folder.file("run"));
    const ExportOutcome outcome = runExport(f.job(folder.path()));
    fileio::PrivateScratchFolder scratch;  // the one the export used (on Windows the system's own)
    const bool scratchChosen = scratch.choose().ok();
    testsupport::setEnvironment("XDG_RUNTIME_DIR", oldRuntime);

    EXPECT_FALSE(outcome.cancelled);
    EXPECT_TRUE(outcome.failedFiles.empty());
    EXPECT_FALSE(outcome.warning);
    EXPECT_EQ(outcome.message,
              gbk("导出表成功,请注意核对\r\n") + f.summary +
                  gbk("\r\n已保存: t1.csv、导出的表1.xls、t2.csv、导出的表2.xls、某单位_待核对.txt"
                      "\r\n文件保存在: ") +
                  folder.path());
    ASSERT_EQ(f.prompt.asked.size(), 2u);
    EXPECT_EQ(f.prompt.asked[0], std::make_pair(1, gbk("表1导出.CSV")));
    EXPECT_EQ(f.prompt.asked[1], std::make_pair(2, gbk("表2导出.CSV")));
    EXPECT_EQ(readFile(folder.file("t1.csv")), "001," + gbk("张三") + ",,\r\n002,\"1,5\",,\r\n");
    EXPECT_EQ(readFile(folder.file("t2.csv")), "001," + gbk("张三") + ",\r\n");
    expectWorkbookHolds(folder.file("导出的表1.xls"), f.registerGrid);
    expectWorkbookHolds(folder.file("导出的表2.xls"), f.sourceGrid);
    EXPECT_TRUE(fs::exists(testsupport::pathOf(folder.file("某单位_待核对.txt"))));
    // The scratch database has served: it keeps no names or figures after the export.
    ASSERT_TRUE(scratchChosen);
    EXPECT_EQ(fs::file_size(testsupport::pathOf(scratchDatabasePath(scratch.path()).native())), 0u);
    EXPECT_EQ(f.progress.position(), 0);
    EXPECT_TRUE(f.progress.status().empty());
    ASSERT_GE(f.progress.positions.size(), 2u);
    EXPECT_EQ(f.progress.positions[f.progress.positions.size() - 2], 100);
}

TEST(ExportCommand, AnotherExportHoldingALockEndsInAMessageWithinTheLimit) {
    fileio::PrivateScratchFolder scratch;
    ASSERT_TRUE(scratch.choose().ok());
    const std::string scratchFolder = scratch.path();
    struct Case {
        const char* what;
        bool holdOutputFolder;  // else the scratch database
        std::vector<Text> failed;
    };
    const Case cases[] = {
        {"the output folder",
         true,
         {"t1.csv", gbk("导出的表1.xls"), gbk("表2导出.CSV"), gbk("导出的表2.xls"),
          gbk("某单位_待核对.txt")}},
        {"the scratch database", false, {gbk("导出的表1.xls"), gbk("导出的表2.xls")}},
    };
    for (const Case& c : cases) {
        ScratchFolder folder("held");
        ExportFixture f;
        f.prompt.answers[1] = folder.file("t1.csv");
        f.prompt.answers[2] = folder.file("t2.csv");
        // Another export, as far as the locks can tell: a separate open of the same file or folder.
        // Other tests running in parallel export through the same scratch lock: wait for them.
        const std::chrono::seconds patience(20);
        fileio::TimedLock other;
        ASSERT_TRUE((c.holdOutputFolder
                         ? other.lockFolder(folder.path(), patience)
                         : other.lockFile(fileio::joinPath(scratchFolder, kScratchLockName), patience))
                        .ok());
        ExportJob job = f.job(folder.path());
        job.lockTimeLimit = std::chrono::milliseconds(300);
        const auto start = std::chrono::steady_clock::now();
        const ExportOutcome outcome = runExport(job);
        const auto waited = std::chrono::steady_clock::now() - start;

        EXPECT_EQ(namesOf(outcome.failedFiles), c.failed) << c.what;
        const Text why = failure::Failure(failure::Reason::LockTimedOut).describe();
        for (const Text& name : c.failed)
            EXPECT_NE(outcome.message.find(name + gbk("（") + why + gbk("）")), Text::npos) << c.what;
        EXPECT_TRUE(outcome.warning);
        EXPECT_LT(waited, std::chrono::seconds(3)) << c.what;
        EXPECT_GT(f.progress.yields, 0) << c.what << ": the window is kept alive while waiting";
    }
}

// Without an output folder of its own the export follows the clerk's first choice and says where.
TEST(ExportCommand, WithoutOutputFolderWritesBesideTheFirstCsv) {
    ScratchFolder folder("beside");
    fs::create_directories(folder.file("chosen"));
    ExportFixture f;
    f.prompt.answers[1] = folder.file("chosen/t1.csv");
    f.prompt.answers[2] = folder.file("t2.csv");
    const ExportOutcome outcome = runExport(f.job(""));
    EXPECT_TRUE(outcome.failedFiles.empty());
    EXPECT_EQ(outcome.folder.native(), folder.file("chosen"));
    EXPECT_EQ(outcome.message.rfind(gbk("导出表成功,请注意核对\r\n") + f.summary, 0), 0u);
    const Text folderLine = gbk("\r\n文件保存在: ") + folder.file("chosen");
    EXPECT_EQ(outcome.message.substr(outcome.message.size() - folderLine.size()), folderLine);
    for (const char* name : {"t1.csv", "导出的表1.xls", "导出的表2.xls", "某单位_待核对.txt"}) {
        EXPECT_TRUE(fs::exists(testsupport::pathOf(folder.file("chosen/") + name))) << name;
    }
}

TEST(ExportCommand, CancelledFirstDialogWritesNothing) {
    ScratchFolder folder("cancel");
    ExportFixture f;
    const ExportOutcome outcome = runExport(f.job(folder.path()));
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.message.empty());
    // Nothing is under way any more, so the status says nothing.
    EXPECT_EQ(f.progress.status(), "");
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

// A cancelled second dialog and an empty table skip their files by choice: no failure, but the closing
// message never claims plain success and lists what was saved; two empty tables ask and write nothing.
TEST(ExportCommand, SkippedFilesAreListedApartFromTheSavedOnes) {
    struct Case {
        const char* what;
        bool registerEmpty, sourceEmpty, answerSecond;
        std::vector<int> asked;
        const char* message;  // after the summary's line, up to the folder line; null: nothing to export
    };
    const Case cases[] = {
        {"second dialog cancelled",
         false,
         false,
         false,
         {1, 2},
         "导出已完成,但以下文件未保存:\r\n表2导出.CSV（已取消）\r\n|\r\n已保存: "
         "t1.csv、导出的表1.xls、导出的表2.xls、某单位_待核对.txt"},
        {"table 1 empty",
         true,
         false,
         true,
         {2},
         "导出已完成,但以下文件未保存:\r\n表1导出.CSV（表中没有数据,未导出,原有文件未改动）\r\n"
         "导出的表1.xls（表中没有数据,未导出,原有文件未改动）\r\n|\r\n已保存: "
         "t2.csv、导出的表2.xls、某单位_待核对.txt"},
        {"table 2 empty",
         false,
         true,
         true,
         {1},
         "导出已完成,但以下文件未保存:\r\n表2导出.CSV（表中没有数据,未导出,原有文件未改动）\r\n"
         "导出的表2.xls（表中没有数据,未导出,原有文件未改动）\r\n|\r\n已保存: "
         "t1.csv、导出的表1.xls、某单位_待核对.txt"},
        {"both empty", true, true, true, {}, nullptr},
    };
    for (const Case& c : cases) {
        ScratchFolder folder("skip");
        ExportFixture f;
        if (c.registerEmpty) f.registerGrid = Grid();
        if (c.sourceEmpty) f.sourceGrid.removeAllRows();
        f.prompt.answers[c.registerEmpty ? 2 : 1] = folder.file(c.registerEmpty ? "t2.csv" : "t1.csv");
        if (c.answerSecond && !c.registerEmpty) f.prompt.answers[2] = folder.file("t2.csv");
        const ExportOutcome outcome = runExport(f.job(folder.path()));
        std::vector<int> asked;
        for (const auto& question : f.prompt.asked) asked.push_back(question.first);
        EXPECT_EQ(asked, c.asked) << c.what;
        EXPECT_FALSE(outcome.cancelled) << c.what;
        EXPECT_TRUE(outcome.failedFiles.empty()) << c.what;
        if (c.message == nullptr) {
            EXPECT_TRUE(outcome.nothingToExport) << c.what;
            EXPECT_EQ(outcome.message, gbk("表1和表2都没有数据,请先导入表。没有写入任何文件。")) << c.what;
            EXPECT_TRUE(fs::is_empty(folder.path())) << c.what;
            continue;
        }
        const std::string expected(c.message);
        const std::size_t bar = expected.find('|');
        EXPECT_EQ(outcome.message, gbk(expected.substr(0, bar)) + f.summary + gbk(expected.substr(bar + 1)) +
                                       gbk("\r\n文件保存在: ") + folder.path())
            << c.what;
        EXPECT_EQ(f.progress.status(), "") << c.what;
        for (const Text& saved : outcome.savedFiles)
            EXPECT_TRUE(fs::exists(testsupport::pathOf(folder.file(text::utf8FromGbk(saved))))) << c.what;
        for (const SkippedFile& skipped : outcome.skippedFiles)
            EXPECT_FALSE(fs::exists(testsupport::pathOf(folder.file(text::utf8FromGbk(skipped.name)))))
                << c.what;
    }
}

TEST(ExportCommand, NamesEveryFileThatWasNotWritten) {
    ScratchFolder folder("partial");
    ExportFixture f;
    f.prompt.answers[1] = "/nonexistent-velmora/t1.csv";
    f.prompt.answers[2] = folder.file("t2.csv");
    // A column the workbook format cannot hold makes workbook 2 fail.
    for (int c = 0; c < 300; ++c) f.sourceGrid.appendColumn("h");
    const ExportOutcome outcome = runExport(f.job(folder.path()));

    const std::vector<Text> expectedFailures = {"t1.csv", gbk("导出的表2.xls")};
    EXPECT_EQ(namesOf(outcome.failedFiles), expectedFailures);
    EXPECT_TRUE(outcome.warning);
    // Each file comes with its reason.
    EXPECT_EQ(outcome.message,
              gbk("导出未全部成功,以下文件未能写入:\r\nt1.csv（文件夹不存在）\r\n"
                  "导出的表2.xls（超过工作簿的列数上限 256）\r\n") +
                  f.summary + gbk("\r\n已保存: 导出的表1.xls、t2.csv、某单位_待核对.txt\r\n文件保存在: ") +
                  folder.path());
    EXPECT_TRUE(fs::exists(testsupport::pathOf(folder.file("t2.csv"))));
    EXPECT_TRUE(fs::exists(testsupport::pathOf(folder.file("导出的表1.xls"))));
}

// Every row of a sheet imported from row 1 makes 65,536 grid rows, one more than a workbook takes under
// its title row: that workbook fails with the reason, never cut short, and the CSV holds every row.
TEST(ExportCommand, AGridOfMoreRowsThanAWorkbookHoldsFailsOnlyItsWorkbook) {
    ScratchFolder folder("rows");
    ExportFixture f;
    f.registerGrid = makeGrid({"a"}, std::vector<std::vector<Text>>(xls::kMaxDataRows + 1, {"x"}));
    f.prompt.answers[1] = folder.file("t1.csv");
    f.prompt.answers[2] = folder.file("t2.csv");
    const ExportOutcome outcome = runExport(f.job(folder.path()));

    EXPECT_EQ(namesOf(outcome.failedFiles), std::vector<Text>{gbk("导出的表1.xls")});
    EXPECT_NE(outcome.message.find(gbk("导出的表1.xls（超过工作簿的行数上限 65,535）")), Text::npos);
    EXPECT_FALSE(fs::exists(testsupport::pathOf(folder.file("导出的表1.xls"))));
    const std::string csv = readFile(folder.file("t1.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), static_cast<long>(xls::kMaxDataRows + 1));
}

TEST(ExportCommand, ProgressFollowsBothSchemes) {
    ScratchFolder folder("progress");
    ExportFixture f;
    f.registerGrid = makeGrid({"a"}, {{"1"}, {"2"}, {"3"}, {"4"}});
    f.sourceGrid = makeGrid({"a"}, std::vector<std::vector<Text>>(100, {"x"}));
    f.prompt.answers[1] = folder.file("t1.csv");
    f.prompt.answers[2] = folder.file("t2.csv");
    runExport(f.job(folder.path()));
    const std::vector<int>& p = f.progress.positions;
    // Table 1: r / 2 for r = 1..4, then the workbook's row numbers 1..4.
    const std::vector<int> table1 = {0, 1, 1, 2, 1, 2, 3, 4};
    ASSERT_GE(p.size(), table1.size() + 100);
    EXPECT_EQ(std::vector<int>(p.begin(), p.begin() + 8), table1);
    // Table 2 adds (50 / 100) * r to the position it reads back, starting where workbook 1 left it (4):
    // 4.5, 5, 6.5, 8, 10.5, 13 truncated. Then workbook 2 counts its rows.
    EXPECT_EQ(std::vector<int>(p.begin() + 8, p.begin() + 14), (std::vector<int>{4, 5, 6, 8, 10, 13}));
    EXPECT_EQ(p[8 + 100], 1);
    EXPECT_EQ(std::vector<int>(p.end() - 3, p.end()), (std::vector<int>{100, 100, 0}));
}

}  // namespace
}  // namespace velmora::exporting
