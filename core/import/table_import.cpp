// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/table_import.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <system_error>
#include <thread>

#include "sheet/gsf_library.h"
#include "text/phrases.h"
#include "xls/workbook_writer.h"

namespace velmora::import {

namespace {
// A worksheet column and the grid columns whose spec entry names it (several when entries repeat).
struct ColumnTargets {
    int field;
    std::vector<int> gridColumns;
};

// Reads every spec entry once and groups the grid columns by the worksheet column they take. Entries
// that name no existing column (0, negative, beyond the sheet, not a number) take none.
std::vector<ColumnTargets> mapColumns(const std::vector<int>& entryValues, int fieldCount) {
    std::vector<std::vector<int>> byField(static_cast<std::size_t>(fieldCount));
    for (std::size_t entry = 0; entry < entryValues.size(); ++entry) {
        const int value = entryValues[entry];
        if (namesColumn(value, fieldCount)) {
            byField[static_cast<std::size_t>(value - 1)].push_back(static_cast<int>(entry));
        }
    }
    std::vector<ColumnTargets> targets;
    for (int field = 0; field < fieldCount; ++field) {
        auto& columns = byField[static_cast<std::size_t>(field)];
        if (!columns.empty()) targets.push_back({field, std::move(columns)});
    }
    return targets;
}

// Zero amounts stay empty in the register so the clerk sees only real figures; "0123" is a code, and
// "-0" does not start with the digit, so both are kept.
bool isZeroValue(const Text& value) {
    return text::leftPart(value, 1) == "0" && std::fabs(text::readNumber(value)) <= 1e-7;
}

void rebuildColumns(const WorksheetReader& reader, TableKind kind, const std::vector<int>& entryValues,
                    model::Grid& grid) {
    grid.removeAllRows();
    grid.removeAllColumns();
    const int fieldCount = reader.fieldCount();
    if (fieldCount < 1) return;
    // Each grid column is first titled by the first-row text at its own position; entries beyond the
    // sheet's width have no such text and get an empty title.
    const std::vector<Text> firstRecord = reader.firstRecord();
    for (std::size_t entry = 0; entry < entryValues.size(); ++entry) {
        grid.appendColumn(entry < firstRecord.size() ? firstRecord[entry] : Text{});
    }
    if (kind != TableKind::Register) return;
    // The register's headers stand in its third row, above the columns actually taken.
    for (std::size_t entry = 0; entry < entryValues.size(); ++entry) {
        const int value = entryValues[entry];
        if (namesColumn(value, fieldCount)) {
            grid.setColumnTitle(static_cast<int>(entry), reader.field(3, value - 1));
        }
    }
}

Text unitTextOf(const WorksheetReader& reader) {
    Text line = reader.field(2, 0);
    auto pieces = text::split(line, phrases::unitSeparator());
    return pieces.size() >= 2 ? std::move(pieces[1]) : line;
}

// Copies records [first, last] into `grid`, a row each from `startRow` on, telling `progress` (when
// given) of each. `spent`, when given, is `reader` itself, and each record is released once read:
// records are read in increasing order and none again, the titles and the unit text having been taken
// before. Two calls may run at once on disjoint records, each into a grid of its own.
void copyRecords(const WorksheetReader& reader, WorksheetReader* spent, int first, int last, int startRow,
                 const std::vector<ColumnTargets>& targets, bool dropZeros, model::Grid& grid,
                 model::Progress* progress) {
    std::vector<Text> values(targets.size());
    for (int record = first; record <= last; ++record) {
        if (progress) progress->yield();
        if (record >= startRow) {
            const int row = grid.appendRow();
            // The row's texts are read first, so its room in the grid is taken once and exactly.
            int cells = 0;
            std::size_t bytes = 0;
            for (std::size_t t = 0; t < targets.size(); ++t) {
                values[t] = reader.field(record, targets[t].field);
                if (dropZeros && isZeroValue(values[t])) values[t].clear();
                if (values[t].empty()) continue;
                cells += static_cast<int>(targets[t].gridColumns.size());
                bytes += values[t].size() * targets[t].gridColumns.size();
            }
            grid.reserveCells(row, cells, bytes);
            for (std::size_t t = 0; t < targets.size(); ++t) {
                for (const int column : targets[t].gridColumns) grid.setCell(row, column, values[t]);
            }
        }
        // The next row's copy can take this record's room.
        if (spent) spent->releaseRecord(record);
        if (progress) progress->setPosition(record);
    }
}

// Below this many rows a second thread costs more than it saves.
constexpr int kRowsWorthSplitting = 8192;

void fillRows(const WorksheetReader& reader, WorksheetReader* spent, TableKind kind, int startRow,
              const std::vector<ColumnTargets>& targets, model::Grid& grid, model::Progress& progress) {
    const int records = reader.recordCount();
    const int firstRow = std::max(startRow, 1);
    grid.reserveRows(records - firstRow + 1);
    const bool dropZeros = kind == TableKind::Register;
    // A large sheet's later rows are copied on the second core into a grid of their own, and moved
    // behind the earlier ones when both are done: the rows, their order and their cells are the same.
    const bool worthSplitting = records - firstRow + 1 >= kRowsWorthSplitting;
    const int split = worthSplitting ? firstRow + (records - firstRow + 1) / 2 : records + 1;
    model::Grid later;
    std::exception_ptr laterFailed;
    std::thread worker;
    if (split <= records) {
        for (int c = 0; c < grid.columnCount(); ++c) later.appendColumn({});
        later.reserveRows(records - split + 1);
        try {
            worker = std::thread([&] {
                try {
                    copyRecords(reader, nullptr, split, records, startRow, targets, dropZeros, later,
                                nullptr);
                } catch (...) {
                    laterFailed = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had under a memory limit: the later rows are copied here, after the earlier.
        }
    }
    const int hereLast = worker.joinable() ? split - 1 : records;
    try {
        copyRecords(reader, spent, 1, hereLast, startRow, targets, dropZeros, grid, &progress);
    } catch (...) {
        if (worker.joinable()) worker.join();
        throw;
    }
    if (worker.joinable()) {
        worker.join();
        if (laterFailed) std::rethrow_exception(laterFailed);
        grid.appendRows(std::move(later));
        // Freed here, not on the worker: the records belong to this thread's heap, and freeing them there
        // would make the two threads take turns at its lock.
        for (int record = split; spent && record <= records; ++record) spent->releaseRecord(record);
    }
    if (records >= 1) progress.setPosition(records);
}

}  // namespace

bool prepareReaders() { return sheet::prepareGsf(); }

void prepareImport(TableKind kind, model::Grid& grid, model::Progress& progress) {
    grid.removeAllRows();
    if (kind == TableKind::Register) progress.setPosition(1);
}

// A list the settings hold whole always fits a workbook's columns.
static_assert(settings::kMostColumnEntries == xls::kMaxColumns);

std::optional<ImportOutcome> refuseColumnSpec(TableKind kind, const ColumnList& columns) {
    if (!columns.tooLong()) return std::nullopt;
    return ImportOutcome{
        ReaderStatus::TooManyColumns, columnSpecTooLongMessage(kind, columns.entryCount), {}, {}};
}

namespace {
ImportOutcome importFrom(TableKind kind, const WorksheetReader& reader, WorksheetReader* spent,
                         const TableSettings& settings, model::Grid& grid, model::Progress& progress) {
    if (auto refused = refuseColumnSpec(kind, settings.columns)) {
        abandonImport(grid, progress);
        return std::move(*refused);
    }
    const std::vector<int>& entryValues = settings.columns.columns;

    rebuildColumns(reader, kind, entryValues, grid);
    ImportOutcome outcome;
    if (kind == TableKind::Register) outcome.unitText = unitTextOf(reader);
    outcome.notice = missingColumnsNotice(kind, settings.columns, reader.fieldCount());

    progress.setMaximum(reader.recordCount());
    progress.setMinimum(1);
    progress.setStatus(phrases::statusWorking());
    fillRows(reader, spent, kind, settings.startRow, mapColumns(entryValues, reader.fieldCount()), grid,
             progress);
    progress.finish();
    return outcome;
}
}  // namespace

ImportOutcome importTable(TableKind kind, const WorksheetReader& reader, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress) {
    return importFrom(kind, reader, nullptr, settings, grid, progress);
}

ImportOutcome importTable(TableKind kind, WorksheetReader&& reader, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress) {
    return importFrom(kind, reader, &reader, settings, grid, progress);
}

void abandonImport(model::Grid& grid, model::Progress& progress) {
    grid.removeAllRows();
    progress.finish();
}

}  // namespace velmora::import
