// SPDX-License-Identifier: GPL-3.0-or-later
// The import of a workbook file: open the worksheet, then fill the grid or report why not.
#include <new>
#include <utility>

#include "import/table_import.h"

namespace velmora::import {

namespace {

// `keepOnFailure`: the clerk's rows go only once the new table is sure to come in; otherwise a failure
// leaves an empty grid, as the batch wants.
ImportOutcome importFile(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                         model::Grid& grid, model::Progress& progress, bool keepOnFailure) {
    if (auto refused = refuseColumnSpec(kind, settings.columns)) {
        if (!keepOnFailure) abandonImport(grid, progress);
        return std::move(*refused);
    }
    ReaderStatus status = ReaderStatus::Ok;
    std::vector<Text> availableSheets;
    failure::Failure failure;
    bool started = false;
    try {
        WorksheetReader reader;
        status = reader.open(path, settings.sheetName);
        if (status == ReaderStatus::Ok) {
            // A value the sheet could not hold refuses the import only where its columns would take it.
            const failure::Place beyond = reader.beyondIn(settings.columns.columns);
            if (beyond.what == failure::Place::What::Unknown) {
                started = true;
                if (keepOnFailure) prepareImport(kind, grid, progress);
                return importTable(kind, std::move(reader), settings, grid, progress);
            }
            failure = failure::Failure::inWorkbook(failure::Reason::WorkbookTooLarge, beyond).inFile(path);
        } else {
            availableSheets = reader.availableSheets();
            failure = reader.failure();
        }
    } catch (const std::bad_alloc&) {
        // Under a memory limit a large workbook may not fit: a refusal, never half a table.
        failure = failure::Failure(failure::Reason::OutOfMemory).inFile(path);
    }
    if (started || !keepOnFailure) abandonImport(grid, progress);
    if (status == ReaderStatus::SheetNotFound)
        return {status, sheetMissingMessage(path, settings.sheetName, availableSheets), {}, {}};
    return {statusOf(failure), failure.describe(), {}, {}};
}

}  // namespace

ImportOutcome importTable(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress) {
    return importFile(kind, path, settings, grid, progress, false);
}

ImportOutcome replaceTable(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                           model::Grid& grid, model::Progress& progress) {
    return importFile(kind, path, settings, grid, progress, true);
}

}  // namespace velmora::import
