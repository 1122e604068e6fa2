// SPDX-License-Identifier: GPL-3.0-or-later
// The import of a workbook file: open the worksheet, then fill the grid or report why not.
#include <new>
#include <utility>

#include "import/table_import.h"

namespace velmora::import {

namespace {

// `keepOnFailure`: the clerk's rows go only once the new table is sure to come in; otherwise a failure
// leaves an empty grid, as the batch wants.
ImportOutcome importFile(TableKind kind, const std::string& path, const TableSettings& settings,
                         model::Grid& grid, model::Progress& progress, bool keepOnFailure) {
    if (auto refused = refuseColumnSpec(kind, settings.columns)) {
        if (!keepOnFailure) abandonImport(grid, progress);
        return std::move(*refused);
    }
    ReaderStatus status = ReaderStatus::Ok;
    std::vector<Text> availableSheets;
    sheet::Fault fault;
    failure::Failure cause;
    bool started = false;
    try {
        WorksheetReader reader;
        status = reader.open(path, settings.sheetName);
        if (status == ReaderStatus::Ok) {
            // A value the sheet could not hold refuses the import only where its columns would take it.
            fault = reader.beyondIn(settings.columns.columns);
            if (fault.what == sheet::Fault::What::Unknown) {
                started = true;
                if (keepOnFailure) prepareImport(kind, grid, progress);
                return importTable(kind, std::move(reader), settings, grid, progress);
            }
            status = ReaderStatus::TooLarge;
        } else {
            availableSheets = reader.availableSheets();
            fault = reader.fault();
            cause = reader.cause();
        }
    } catch (const std::bad_alloc&) {
        // Under a memory limit a large workbook may not fit: a refusal, never half a table.
        status = ReaderStatus::OutOfMemory;
    }
    if (started || !keepOnFailure) abandonImport(grid, progress);
    return {status, importFailureMessage(status, path, settings.sheetName, availableSheets, fault, cause), {}, {}};
}

}  // namespace

ImportOutcome importTable(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress) {
    return importFile(kind, path.native(), settings, grid, progress, false);
}

ImportOutcome replaceTable(TableKind kind, const text::FilePath& path, const TableSettings& settings,
                           model::Grid& grid, model::Progress& progress) {
    return importFile(kind, path.native(), settings, grid, progress, true);
}

}  // namespace velmora::import
