// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a grid from a worksheet by the column spec and start row: the two import commands' core.
#pragma once

#include <optional>
#include <string>

#include "failure/failure.h"
#include "import/worksheet_reader.h"
#include "model/grid.h"
#include "model/progress.h"
#include "settings/import_settings.h"
#include "text/file_path.h"

namespace velmora::import {

// Table 1 is the register to be filled; Table 2 the list that holds the figures.
enum class TableKind { Register, Source };

using settings::ColumnList;
using settings::TableSettings;

struct ImportOutcome {
    ReaderStatus status = ReaderStatus::Ok;
    Text message;   // GBK, for the message box when status is not Ok; names the file and the problem
    Text unitText;  // Register only, when status is Ok: the unit text from the worksheet's second row
    Text notice;    // GBK, when status is Ok: column spec entries the sheet does not have, or an empty
                    // spec; the import went ahead as set, and the clerk should know why columns are empty
};

// Runs once the file is chosen, so a cancelled dialog leaves a filled grid as it was: clears the
// grid's rows and, for the register, sets the progress position to 1.
void prepareImport(TableKind kind, model::Grid& grid, model::Progress& progress);

// Sets up the workbook libraries once while memory allows, before any thread reads a workbook: GLib
// ends the process when its own set-up cannot get memory, where the readers would say so. False when
// memory is too short to try; the shells call it first and take false for running out of memory.
bool prepareReaders();

// Imports the worksheet into `grid` after prepareImport and the file dialog. A column list of more
// entries than a workbook has columns (256) is refused before the file is read: each entry is a grid
// column, and no such grid could be exported. On failure the grid keeps no rows, its columns stay as
// they were, and the progress is back at position 0 with no status.
ImportOutcome importTable(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress);

// The window's import: the workbook is opened first, and only once it opens are the grid's rows cleared
// (prepareImport) and the table imported. A refused column spec or a file that cannot be read changes
// nothing: grid, progress and status stay exactly as they were.
ImportOutcome replaceTable(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                           model::Grid& grid, model::Progress& progress);

// The same on a worksheet already open: rebuilds the grid's columns, fills one row per record from the
// start row on, and leaves the progress at position 0 with no status. Fails only on the column list.
ImportOutcome importTable(TableKind kind, const WorksheetReader& reader, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress);
// The same, freeing each record of the reader as soon as its row is in the grid: the file's import, so
// a full sheet and a full grid are never held together. The reader is spent afterwards.
ImportOutcome importTable(TableKind kind, WorksheetReader&& reader, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress);

// Leaves the grid without rows and the progress at position 0 with no status, after a failed open.
void abandonImport(model::Grid& grid, model::Progress& progress);

// The refusal of a column list of more entries than a workbook has columns; nullopt when it fits.
std::optional<ImportOutcome> refuseColumnSpec(TableKind kind, const ColumnList& columns);

// Whether a column list's entry, read as `value`, names a column of a sheet of `fieldCount` columns.
inline bool namesColumn(int value, int fieldCount) { return value >= 1 && value <= fieldCount; }

// Returns the notice for list entries that name no column of a sheet of `fieldCount` columns (not a
// number, 0, negative or beyond the sheet), naming them as typed; for an empty list, says so. Empty when
// every entry names a column.
Text missingColumnsNotice(TableKind kind, const ColumnList& columns, int fieldCount);

// Returns the message for a column spec of `entries` entries, more than a workbook holds.
Text columnSpecTooLongMessage(TableKind kind, std::size_t entries);

// Returns the message for a workbook at `path` that holds no worksheet named `sheetName`, with the
// worksheets it does hold. Every other failed open is told by the reader's failure: its describe() names
// the problem, where in the workbook it lies, and the file.
Text sheetMissingMessage(const text::FilePath& path, const Text& sheetName,
                         const std::vector<Text>& availableSheets);

}  // namespace velmora::import
