// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/workbook_export.h"

#include <sqlite3.h>

#include <algorithm>

#include "export/scratch_database.h"
#include "export/template_database.h"
#include "fileio/files.h"
#include "text/encoding.h"
#include "xls/workbook_writer.h"

namespace velmora::exporting {
namespace {

using text::Text;

// Table "tmp" gets neutral column names c1..cn: titles may be empty (the marker columns of a
// comparison) or repeated, which no database accepts as column names. The titles themselves go, in
// grid order, into "tmp_titles".
std::string columnName(int column) { return quoteIdentifier("c" + std::to_string(column + 1)); }

std::string columnList(int columns, const char* suffix) {
    std::string list;
    for (int c = 0; c < columns; ++c) list += (c == 0 ? "" : ",") + columnName(c) + suffix;
    return list;
}

bool createTables(ScratchDatabase& db, const model::Grid& grid) {
    db.execute("DROP TABLE IF EXISTS \"tmp\"");
    db.execute("DROP TABLE IF EXISTS \"tmp_titles\"");
    if (!db.execute(
            "CREATE TABLE \"tmp_titles\" (\"position\" INTEGER PRIMARY KEY, \"title\" TEXT NOT NULL)"))
        return false;
    Statement insert(db.handle(), "INSERT INTO \"tmp_titles\" VALUES (?1, ?2)");
    if (!insert.valid()) return false;
    for (int c = 0; c < grid.columnCount(); ++c) {
        const Text& title = grid.columnTitle(c);
        sqlite3_bind_int(insert.get(), 1, c);
        sqlite3_bind_text(insert.get(), 2, title.data(), static_cast<int>(title.size()), SQLITE_STATIC);
        if (sqlite3_step(insert.get()) != SQLITE_DONE) return false;
        sqlite3_reset(insert.get());
    }
    // A table needs at least one column; a grid without any keeps its (empty) rows out of the table.
    if (grid.columnCount() == 0) return true;
    return db.execute(
        ("CREATE TABLE \"tmp\" (" + columnList(grid.columnCount(), " TEXT NOT NULL") + ")").c_str());
}

// Most rows go in several to a statement: far fewer statement runs for the same rows in the same order.
constexpr int kRowsPerInsert = 32;

bool bindRows(Statement& insert, const model::Grid& grid, int firstRow, int rowCount) {
    const int columns = grid.columnCount();
    for (int r = 0; r < rowCount; ++r) {
        // Values are bound, never spliced into the statement, so O'Brien is just a name.
        for (int c = 0; c < columns; ++c) {
            const Text& value = grid.cell(firstRow + r, c);
            sqlite3_bind_text(insert.get(), r * columns + c + 1, value.data(), static_cast<int>(value.size()),
                              SQLITE_STATIC);
        }
    }
    const bool done = sqlite3_step(insert.get()) == SQLITE_DONE;
    sqlite3_reset(insert.get());
    return done;
}

Statement prepareInsert(ScratchDatabase& db, int columns, int rowsPerStatement) {
    std::string row = "(";
    for (int c = 0; c < columns; ++c) row += c == 0 ? "?" : ",?";
    row += ")";
    std::string sql = "INSERT INTO \"tmp\" (" + columnList(columns, "") + ") VALUES " + row;
    for (int r = 1; r < rowsPerStatement; ++r) sql += "," + row;
    return Statement(db.handle(), sql);
}

bool insertRows(ScratchDatabase& db, const model::Grid& grid, model::Progress* progress) {
    const int rows = grid.rowCount(), columns = grid.columnCount();
    if (progress != nullptr) progress->setMaximum(rows);
    if (columns == 0) return true;
    const int variableLimit = sqlite3_limit(db.handle(), SQLITE_LIMIT_VARIABLE_NUMBER, -1);
    const int perStatement = std::max(1, std::min(kRowsPerInsert, variableLimit / columns));
    Statement single = prepareInsert(db, columns, 1);
    Statement batch = prepareInsert(db, columns, perStatement);
    if (!single.valid() || !batch.valid()) return false;
    for (int r = 0; r < rows;) {
        // A failed statement leaves no row behind, so a batch that fails is retried row by row: the
        // progress then stops at the same row as it would with one insert per row.
        const bool batched =
            perStatement > 1 && rows - r >= perStatement && bindRows(batch, grid, r, perStatement);
        const int end = batched ? r + perStatement : std::min(rows, r + std::max(perStatement, 1));
        for (; r < end; ++r) {
            if (!batched && !bindRows(single, grid, r, 1)) return false;
            if (progress != nullptr) progress->setPosition(r + 1);
        }
    }
    return true;
}

// Feeds the workbook writer straight from the grid. The scratch table holds exactly these rows once every
// insert has succeeded, so reading them back from it would only cost time.
class GridRows : public xls::RowSource {
public:
    explicit GridRows(const model::Grid& grid) : m_grid(grid) {}
    std::size_t rowCountHint() const override { return static_cast<std::size_t>(m_grid.rowCount()); }

    bool nextRow(std::vector<Text>& cells) override {
        if (m_next >= m_grid.rowCount()) return false;
        cells.resize(static_cast<std::size_t>(m_grid.columnCount()));
        for (int c = 0; c < m_grid.columnCount(); ++c)
            cells[static_cast<std::size_t>(c)] = m_grid.cell(m_next, c);
        ++m_next;
        return true;
    }

private:
    const model::Grid& m_grid;
    int m_next = 0;
};

std::vector<Text> titlesOf(const model::Grid& grid) {
    std::vector<Text> titles;
    for (int c = 0; c < grid.columnCount(); ++c) titles.push_back(grid.columnTitle(c));
    return titles;
}

Text sheetNameOf(const Text& sheet) {
    if (sheet.empty()) return "Sheet1";
    if (sheet.size() >= 2 && sheet.front() == '[' && sheet.back() == ']')
        return sheet.substr(1, sheet.size() - 2);
    return sheet;
}

bool fitsInWorkbook(const model::Grid& grid) {
    return static_cast<std::size_t>(grid.rowCount()) <= xls::kMaxDataRows &&
           static_cast<std::size_t>(grid.columnCount()) <= xls::kMaxColumns;
}

}  // namespace

std::string workbookFileName(const Text& workbookName) { return text::utf8FromGbk(workbookName) + ".xls"; }

bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const Text& workbookName,
                         const Text& sheet, model::Progress* progress) {
    return writeGridToWorkbook(grid, folder, workbookName, sheet, progress,
                               scratchDatabasePath(fileio::temporaryFolder()));
}

WorkbookBuild::WorkbookBuild(const model::Grid& grid, const Text& sheet)
    : m_stream(
          std::async(std::launch::async, [&grid, name = sheetNameOf(sheet)]() -> std::optional<std::string> {
              if (!fitsInWorkbook(grid)) return std::nullopt;
              GridRows rows(grid);
              xls::WriteError error = xls::WriteError::None;
              return xls::buildWorkbookStream(titlesOf(grid), rows, name, error);
          })) {}

bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const Text& workbookName,
                         const Text& sheet, model::Progress* progress, const std::string& scratchPath) {
    WorkbookBuild build(grid, sheet);
    return writeGridToWorkbook(grid, folder, workbookName, progress, scratchPath, build);
}

bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const Text& workbookName,
                         model::Progress* progress, const std::string& scratchPath, WorkbookBuild& build) {
    if (!fitsInWorkbook(grid)) return false;
    ScratchDatabase db;
    if (!db.create(scratchPath, inflateTemplateBlock(templateDatabaseBlock()))) return false;
    if (!createTables(db, grid)) return false;
    if (!db.execute("BEGIN")) return false;
    if (!insertRows(db, grid, progress)) return false;  // the connection closes without a commit

    const std::optional<std::string> stream = build.take();
    if (!stream) return false;
    fileio::AtomicFile workbook(fileio::joinPath(folder, workbookFileName(workbookName)));
    if (xls::writeWorkbookStream(workbook.temporaryPath(), *stream) != xls::WriteError::None) return false;
    // The table is committed before the workbook replaces an older one, as the copy ran inside it.
    return db.execute("COMMIT") && workbook.commit();
}

}  // namespace velmora::exporting
