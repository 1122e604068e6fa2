// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a grid as a new workbook by way of the scratch database.
#pragma once

#include <future>
#include <optional>
#include <string>

#include "model/grid.h"
#include "model/progress.h"
#include "text/rules.h"

namespace velmora::exporting {

// Returns the workbook's file name (file-system encoding) for a workbook name: the name plus ".xls".
std::string workbookFileName(const text::Text& workbookName);

// Writes `grid` to "<workbookName>.xls" in `folder` (file-system encoding): one worksheet, named
// `sheet` ("Sheet1" when empty; enclosing brackets are dropped), whose row 1 holds the column titles
// and then one row per grid row, every cell a text. The grid goes through table "tmp" of the scratch
// database in the temporary folder. All or nothing: on any failure, or when the grid exceeds what a
// workbook holds, returns false and leaves an existing workbook of that name as it was. The progress
// gets the row count as its maximum and each row's number as its position, on the calling thread.
bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const text::Text& workbookName,
                         const text::Text& sheet = {}, model::Progress* progress = nullptr);

// The workbook's bytes for a grid, built on a thread of its own from the moment it is made, while the
// caller fills the scratch database and writes other files. The grid must not change until the build is
// taken or destroyed; destroying it waits for the thread.
class WorkbookBuild {
public:
    WorkbookBuild(const model::Grid& grid, const text::Text& sheet);
    // Waits for the bytes; nullopt when the grid does not fit a workbook.
    std::optional<std::string> take() { return m_stream.get(); }

private:
    std::future<std::optional<std::string>> m_stream;
};

// The same with the scratch file at an explicit path (tests).
bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const text::Text& workbookName,
                         const text::Text& sheet, model::Progress* progress, const std::string& scratchPath);

// The same with the workbook's bytes from a build already running for this grid and sheet.
bool writeGridToWorkbook(const model::Grid& grid, const std::string& folder, const text::Text& workbookName,
                         model::Progress* progress, const std::string& scratchPath, WorkbookBuild& build);

}  // namespace velmora::exporting
