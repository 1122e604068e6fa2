// SPDX-License-Identifier: GPL-3.0-or-later
// What the zip-based workbook fuzzers do with what they read: every cell through the import's texts.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "import/workbook_file.h"
#include "import/worksheet_reader.h"

namespace velmora::fuzzing {

// A few kilobytes can declare 65,536 x 256 mostly empty fields; reading them all would spend the run
// there. Beyond a budget, whole rows at a stride, the first and last always among them.
inline void readCells(sheet::Sheet sheet, bool uses1904) {
    constexpr long long kFieldBudget = 1 << 16;
    import::WorksheetReader reader;
    reader.openSheet(std::move(sheet), uses1904);
    const long long fields = static_cast<long long>(reader.recordCount()) * reader.fieldCount();
    const int stride = static_cast<int>(std::max(1LL, fields / kFieldBudget));
    for (int record = 1; record <= reader.recordCount(); record += stride) {
        for (int field = 0; field < reader.fieldCount(); ++field) (void)reader.field(record, field);
    }
    for (int field = 0; field < reader.fieldCount(); ++field) (void)reader.field(reader.recordCount(), field);
}

// Whether two readings of one source gave the same sheet: counts, cells (all of them up to a budget,
// whole rows at a stride beyond it) and values noted beyond the edges.
inline bool sameSheet(const sheet::Sheet& a, const sheet::Sheet& b) {
    if (a.rowCount() != b.rowCount() || a.columnCount() != b.columnCount()) return false;
    for (int column = 0; column <= sheet::kMaxColumns + 2; ++column) {
        if (a.firstRowBeyond(column) != b.firstRowBeyond(column)) return false;
    }
    constexpr long long kFieldBudget = 1 << 16;
    const long long fields = static_cast<long long>(a.rowCount()) * a.columnCount();
    const int stride = static_cast<int>(std::max(1LL, fields / kFieldBudget));
    for (int row = 0; row < a.rowCount(); row += stride) {
        for (int column = 0; column < a.columnCount(); ++column) {
            const sheet::CellView x = a.view(row, column), y = b.view(row, column);
            if (x.kind != y.kind || x.text != y.text || x.errorCode != y.errorCode ||
                std::memcmp(&x.number, &y.number, sizeof x.number) != 0)
                return false;
        }
    }
    return true;
}

// Opens the bytes as a workbook of any format and reads every worksheet; a failure's place is put in
// words, as the clerk's message would, since a damaged file chooses the part name it shows.
inline void readWorkbook(std::string bytes) {
    failure::Failure failure;
    const auto workbook = import::WorkbookFile::openBytes(std::move(bytes), failure);
    if (!workbook) {
        if (failure.ok()) __builtin_trap();  // a failure must say why
        (void)failure.describe();
        return;
    }
    (void)import::listSheetNames(workbook->sheets());
    for (std::size_t index = 0; index < workbook->sheets().size(); ++index) {
        if (workbook->sheets()[index].kind != sheet::SheetKind::Worksheet) continue;
        auto sheet = workbook->readSheet(index, failure);
        if (!sheet) {
            if (failure.ok()) __builtin_trap();
            (void)failure.describe();
            continue;
        }
        readCells(std::move(*sheet), workbook->uses1904DateSystem());
    }
}

}  // namespace velmora::fuzzing
