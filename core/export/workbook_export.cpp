// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/workbook_export.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <system_error>

#include "export/scratch_database.h"
#include "export/table_rows.h"
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
constexpr int kRowsPerInsert = 128;

bool bindRows(Statement& insert, const model::Grid& grid, int firstRow, int rowCount) {
    const int columns = grid.columnCount();
    for (int r = 0; r < rowCount; ++r) {
        // Values are bound, never spliced into the statement, so O'Brien is just a name.
        for (int c = 0; c < columns; ++c) {
            const std::string_view value = grid.cell(firstRow + r, c);
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

std::optional<std::vector<Text>> readTitles(sqlite3* db) {
    Statement select(db, "SELECT \"title\" FROM \"tmp_titles\" ORDER BY \"position\"");
    if (!select.valid()) return std::nullopt;
    std::vector<Text> titles;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(select.get(), 0));
        if (bytes == nullptr) return std::nullopt;
        titles.emplace_back(bytes, static_cast<std::size_t>(sqlite3_column_bytes(select.get(), 0)));
    }
    if (rc != SQLITE_DONE) return std::nullopt;
    return titles;
}

Text sheetNameOf(const Text& sheet) {
    if (sheet.empty()) return "Sheet1";
    if (sheet.size() >= 2 && sheet.front() == '[' && sheet.back() == ']')
        return sheet.substr(1, sheet.size() - 2);
    return sheet;
}

failure::Failure fitsInWorkbook(const model::Grid& grid) {
    if (static_cast<std::size_t>(grid.rowCount()) > xls::kMaxDataRows)
        return failure::Failure(failure::Reason::TooManyRows);
    if (static_cast<std::size_t>(grid.columnCount()) > xls::kMaxColumns)
        return failure::Failure(failure::Reason::TooManyColumns);
    return {};
}

failure::Failure failureOf(xls::WriteError error) {
    switch (error) {
        case xls::WriteError::None:
            return {};
        case xls::WriteError::TooManyRows:
            return failure::Failure(failure::Reason::TooManyRows);
        case xls::WriteError::TooManyColumns:
            return failure::Failure(failure::Reason::TooManyColumns);
        case xls::WriteError::CellTooLong:
            return failure::Failure(failure::Reason::CellTooLong);
        case xls::WriteError::InvalidSheetName:
        case xls::WriteError::CannotWrite:
            break;
    }
    return failure::Failure(failure::Reason::SystemError);
}

}  // namespace

text::FilePath workbookFileName(const Text& workbookName) {
    return text::FilePath(text::pathFromGbk(workbookName).native() + ".xls");
}

std::optional<xls::WorkbookDraft> workbookDraftFromTables(sqlite3* db, int columns, int rows,
                                                          const Text& sheetName, xls::WriteError& error) {
    const std::optional<std::vector<Text>> titles = readTitles(db);
    if (!titles || titles->size() != static_cast<std::size_t>(columns)) return std::nullopt;
    if (columns == 0) {  // no table "tmp" was made, so there are no rows to read
        if (rows != 0) return std::nullopt;
        const std::vector<std::vector<Text>> none;
        xls::VectorRowSource empty(none);
        return xls::WorkbookDraft::gather(*titles, empty, sheetName, error);
    }
    TableRows source(db, "SELECT " + columnList(columns, "") + " FROM \"tmp\" ORDER BY rowid", columns, rows);
    std::optional<xls::WorkbookDraft> draft = xls::WorkbookDraft::gather(*titles, source, sheetName, error);
    if (!source.complete()) return std::nullopt;
    return draft;
}

PendingWorkbook::PendingWorkbook() = default;

PendingWorkbook::~PendingWorkbook() {
    if (m_rows) m_rows->stop();
    if (m_drafting.joinable()) m_drafting.join();
}

void PendingWorkbook::gather(const Text& sheetName) {
    // On this thread an escaping exception would end the program; it fails the workbook.
    try {
        m_draft = xls::WorkbookDraft::gather(m_titles, *m_rows, sheetName, m_error);
        if (m_draft && !m_rows->complete()) m_draft.reset();
    } catch (const std::bad_alloc&) {
        m_outOfMemory = true;
        m_draft.reset();
    }
    // A draft that stopped early lets the reader go, so the database is not held for rows no one takes.
    if (!m_draft) m_rows->stop();
}

std::optional<xls::WorkbookDraft> PendingWorkbook::take(failure::Failure& why) {
    if (m_drafting.joinable()) m_drafting.join();
    // What the data itself breaks comes first: the read-back may have stopped only because of it.
    if (m_error != xls::WriteError::None) {
        why = failureOf(m_error);
    } else if (m_outOfMemory) {
        why = failure::Failure(failure::Reason::OutOfMemory);
    } else {
        why = m_why;
    }
    if (why.failed() || !m_draft) {
        if (why.ok()) why = failure::Failure(failure::Reason::SystemError);
        return std::nullopt;
    }
    return std::move(m_draft);
}

std::unique_ptr<PendingWorkbook> startGridWorkbook(const model::Grid& grid, const Text& sheet,
                                                   model::Progress* progress,
                                                   const text::FilePath& scratchPath,
                                                   std::chrono::milliseconds lockLimit) {
    auto pending = std::make_unique<PendingWorkbook>();
    failure::Failure& why = pending->m_why;
    why = fitsInWorkbook(grid);
    if (why.failed()) return pending;
    ScratchDatabase db;
    const auto keepAlive = [progress] {
        if (progress != nullptr) progress->yield();
    };
    // The scratch folder is out of the clerk's sight, so every failure met there names it.
    const text::FilePath scratchFolder = fileio::folderOfFile(scratchPath);
    why = db.create(scratchPath, inflateTemplateBlock(templateDatabaseBlock()), lockLimit, keepAlive);
    if (why.failed()) {
        if (why.reason() != failure::Reason::LockTimedOut) why = why.inScratchFolder(scratchFolder);
        return pending;
    }
    if (!createTables(db, grid) || !db.execute("BEGIN") || !insertRows(db, grid, progress)) {
        why = db.lastFailure().inScratchFolder(scratchFolder);
        return pending;
    }
    // The workbook is made from what the table holds, read back inside the transaction; a table that
    // was not read back whole is never committed (the connection closes without it).
    const int columns = grid.columnCount();
    const int rows = columns == 0 ? 0 : grid.rowCount();  // no table holds column-less rows
    const Text sheetName = sheetNameOf(sheet);
    bool readBack = false;
    if (columns == 0) {
        xls::WriteError error = xls::WriteError::None;
        pending->m_draft = workbookDraftFromTables(db.handle(), columns, rows, sheetName, error);
        pending->m_error = error;
        readBack = pending->m_draft.has_value();
    } else if (std::optional<std::vector<Text>> titles = readTitles(db.handle());
               titles && titles->size() == static_cast<std::size_t>(columns)) {
        pending->m_titles = std::move(*titles);
        pending->m_rows = std::make_unique<TableRows>(
            db.handle(), "SELECT " + columnList(columns, "") + " FROM \"tmp\" ORDER BY rowid", columns, rows);
        PendingWorkbook* const drafting = pending.get();
        try {
            pending->m_drafting = std::thread([drafting, sheetName] { drafting->gather(sheetName); });
        } catch (const std::system_error&) {
            drafting->gather(sheetName);  // no thread to be had under a memory limit: drafted here
        }
        readBack = pending->m_rows->waitForRead();
    }
    if (!readBack || !db.execute("COMMIT")) why = db.lastFailure().inScratchFolder(scratchFolder);
    return pending;
}

failure::Failure writeWorkbookDraft(xls::WorkbookDraft draft, const text::FilePath& folder,
                                    const Text& workbookName) {
    fileio::AtomicFile workbook(fileio::joinPath(folder, workbookFileName(workbookName)).native());
    if (const failure::Failure opened = workbook.open(); opened.failed()) return opened;
    // libgsf writes into the file opened here, never under a name of its own choosing.
    std::FILE* file = ::fdopen(::dup(workbook.descriptor()), "wb");
    if (file == nullptr) return failure::Failure::fromErrno(errno);
    errno = 0;
    const xls::WriteError error = xls::writeWorkbookDraft(file, draft);
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeErrno = errno;
    if (error != xls::WriteError::None)
        return writeErrno != 0 ? failure::Failure::fromErrno(writeErrno) : failureOf(error);
    if (!closed) return failure::Failure::fromErrno(closeErrno);
    return workbook.commit();
}

}  // namespace velmora::exporting
