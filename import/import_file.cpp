// SPDX-License-Identifier: GPL-3.0-or-later
// The import of a workbook file: open the worksheet, then fill the grid or report why not.
#include <new>
#include <utility>

#include "import/table_import.h"

namespace velmora::import {

ImportOutcome importTable(TableKind kind, const std::string& path, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress) {
    if (const auto refused = refuseColumnSpec(kind, settings.columnSpec)) {
        abandonImport(grid, progress);
        return *refused;
    }
    ReaderStatus status = ReaderStatus::Ok;
    std::vector<Text> availableSheets;
    try {
        WorksheetReader reader;
        status = reader.open(path, settings.sheetName);
        if (status == ReaderStatus::Ok) return importTable(kind, std::move(reader), settings, grid, progress);
        availableSheets = reader.availableSheets();
    } catch (const std::bad_alloc&) {
        // Under a memory limit a large workbook may not fit: a refusal, never half a table.
        status = ReaderStatus::OutOfMemory;
    }
    abandonImport(grid, progress);
    return {status, importFailureMessage(status, path, settings.sheetName, availableSheets), {}, {}};
}

ImportOutcome replaceTable(TableKind kind, const std::string& path, const TableSettings& settings,
                           model::Grid& grid, model::Progress& progress) {
    if (auto refused = refuseColumnSpec(kind, settings.columnSpec)) return std::move(*refused);
    ReaderStatus status = ReaderStatus::Ok;
    std::vector<Text> availableSheets;
    bool started = false;
    try {
        WorksheetReader reader;
        status = reader.open(path, settings.sheetName);
        if (status == ReaderStatus::Ok) {
            // The clerk's rows go only once the new table is sure to come in.
            started = true;
            prepareImport(kind, grid, progress);
            return importTable(kind, std::move(reader), settings, grid, progress);
        }
        availableSheets = reader.availableSheets();
    } catch (const std::bad_alloc&) {
        status = ReaderStatus::OutOfMemory;
    }
    // Half a table is worse than none; a failure before the start leaves everything as it was.
    if (started) abandonImport(grid, progress);
    return {status, importFailureMessage(status, path, settings.sheetName, availableSheets), {}, {}};
}

}  // namespace velmora::import
