// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a grid as a new workbook by way of the scratch database.
#pragma once

#include <future>
#include <optional>
#include <string>

#include "export/scratch_database.h"
#include "model/grid.h"
#include "model/progress.h"
#include "text/rules.h"

namespace velmora::exporting {

// Returns the workbook's file name (file-system encoding) for a workbook name: the name plus ".xls".
std::string workbookFileName(const text::Text& workbookName);

// One grid on its way into a workbook. The constructor fills table "tmp" of the scratch database at
// `scratchPath` inside a transaction, on the calling thread, and then hands the connection to threads of
// their own that read the table back in row order and build the workbook's bytes: one worksheet, named
// `sheet` ("Sheet1" when empty; enclosing brackets are dropped), whose row 1 holds the column titles and
// then one row per table row, every cell a text. The grid is not read once the constructor has returned.
// The progress gets the row count as its maximum and each inserted row's number as its position, on the
// calling thread.
class WorkbookWrite {
public:
    WorkbookWrite(const model::Grid& grid, const text::Text& sheet, model::Progress* progress,
                  const std::string& scratchPath);
    WorkbookWrite(const WorkbookWrite&) = delete;
    WorkbookWrite& operator=(const WorkbookWrite&) = delete;

    // Waits until the table has been read back, commits it if it was read whole, and closes the scratch
    // database, so that the next WorkbookWrite may fill it while these bytes are still being built.
    void closeTable();

    // Closes the table if that is not done yet, waits for the bytes and writes "<workbookName>.xls" in
    // `folder` (file-system encoding). All or nothing: on any failure (the grid exceeds what a workbook
    // holds, the table could not be filled or read back whole, the file cannot be written) returns false
    // and leaves an existing workbook of that name as it was. Call it once.
    bool finish(const std::string& folder, const text::Text& workbookName);

private:
    // Declared in this order so that, on destruction, the building thread has ended before what it
    // uses goes.
    std::optional<ScratchDatabase> m_db;
    std::promise<bool> m_tableRead;  // set by the building thread: true once the table was read whole
    std::future<bool> m_tableReadResult;
    bool m_committed = false;
    std::future<std::optional<std::string>> m_stream;  // not valid when filling the table failed
};

// The reading half of a WorkbookWrite: the worksheet `sheetName` built from "tmp_titles" (by position)
// and "tmp" (by rowid) of the scratch database `db`, whose rows have `columns` columns. Nullopt when a
// read fails, the tables do not hold exactly `columns` titles and `rows` rows, or the data does not fit
// a workbook. `tableRead`, if given, is set as soon as `db` is no longer used: true when the tables were
// read whole and held what was expected.
std::optional<std::string> workbookStreamFromTables(sqlite3* db, int columns, int rows,
                                                    const text::Text& sheetName,
                                                    std::promise<bool>* tableRead = nullptr);

// Writes `grid` to "<workbookName>.xls" in `folder` through the scratch database in the temporary
// folder, as a WorkbookWrite followed by its finish().
bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const text::Text& workbookName,
                         const text::Text& sheet = {}, model::Progress* progress = nullptr);

// The same with the scratch file at an explicit path (tests).
bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const text::Text& workbookName,
                         const text::Text& sheet, model::Progress* progress, const std::string& scratchPath);

}  // namespace velmora::exporting
