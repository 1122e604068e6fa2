// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a grid as a new workbook by way of the scratch database.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "export/scratch_database.h"
#include "failure/failure.h"
#include "fileio/timed_lock.h"
#include "model/grid.h"
#include "model/progress.h"
#include "text/file_path.h"
#include "text/rules.h"
#include "xls/workbook_writer.h"

namespace velmora::exporting {

// Returns the workbook's file name for a workbook name: the name plus ".xls".
text::FilePath workbookFileName(const text::Text& workbookName);

// The worksheet `sheetName` drafted from "tmp_titles" (by position) and "tmp" (by rowid) of the scratch
// database `db`, whose rows have `columns` columns. Nullopt when a read fails or the tables do not hold
// exactly `columns` titles and `rows` rows; nullopt with `error` set when the data does not fit a workbook.
std::optional<xls::WorkbookDraft> workbookDraftFromTables(sqlite3* db, int columns, int rows,
                                                          const text::Text& sheetName,
                                                          xls::WriteError& error);

class TableRows;

// A workbook being drafted on a thread of its own from rows already read back from the scratch database.
class PendingWorkbook {
public:
    PendingWorkbook();
    ~PendingWorkbook();  // waits for the draft
    PendingWorkbook(const PendingWorkbook&) = delete;
    PendingWorkbook& operator=(const PendingWorkbook&) = delete;

    // Waits for the draft; nullopt with `why` set when the workbook cannot be made. Once only.
    std::optional<xls::WorkbookDraft> take(failure::Failure& why);

private:
    friend std::unique_ptr<PendingWorkbook> startGridWorkbook(const model::Grid&, const text::Text&,
                                                              model::Progress*, const text::FilePath&,
                                                              std::chrono::milliseconds);
    void gather(const text::Text& sheetName);

    failure::Failure m_why;  // met in the database, or a draft made there failed
    std::vector<text::Text> m_titles;
    std::unique_ptr<TableRows> m_rows;
    std::optional<xls::WorkbookDraft> m_draft;
    xls::WriteError m_error = xls::WriteError::None;
    bool m_outOfMemory = false;
    std::thread m_drafting;
};

// Saves `grid` as a workbook in two steps, the first through the scratch database at `scratchPath`: the
// grid fills table "tmp" (titles in "tmp_titles") in one transaction, is read back in row order, and the
// database is closed again before this returns. The draft, one worksheet named `sheet` ("Sheet1" when
// empty; enclosing brackets are dropped) whose row 1 holds the column titles and then one row per grid
// row, every cell a text, is made from the rows read back on a thread of its own, so the next grid can go
// through the database meanwhile; take() gives it, or why it could not be made: the grid exceeds what a
// workbook holds, or the table could not be filled or read back whole. The progress gets the row count as
// its maximum and each inserted row's number as its position.
std::unique_ptr<PendingWorkbook> startGridWorkbook(
    const model::Grid& grid, const text::Text& sheet, model::Progress* progress,
    const text::FilePath& scratchPath, std::chrono::milliseconds lockLimit = fileio::kLockTimeLimit);

// The second step: lays the draft out and writes it to "<workbookName>.xls" in `folder` through a
// temporary file renamed into place, so a failure leaves an existing workbook of that name as it was.
// Touches neither grid nor database, so it may run on another thread.
failure::Failure writeWorkbookDraft(xls::WorkbookDraft draft, const text::FilePath& folder,
                                    const text::Text& workbookName);

}  // namespace velmora::exporting
