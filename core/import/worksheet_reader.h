// SPDX-License-Identifier: GPL-3.0-or-later
// Reads one worksheet as records of text fields: the view of a workbook that the table import uses.
#pragma once

#include <string>
#include <vector>

#include "failure/failure.h"
#include "failure/place.h"
#include "import/cell_text.h"
#include "sheet/sheet.h"
#include "text/file_path.h"
#include "text/rules.h"

namespace velmora::import {

using text::Text;

// What became of an import, as the shells tell it by their exit codes; the failure's reason decides it
// (statusOf), and its describe() gives the clerk's sentence. Two are the import's own: SheetNotFound, and
// TooManyColumns, a column list naming more columns than a grid could ever be exported with, a settings
// error found before the file is read.
enum class ReaderStatus {
    Ok,
    CannotOpen,
    NotAFile,
    NotWorkbook,
    Damaged,
    Encrypted,
    OutOfMemory,
    SheetNotFound,
    TooLarge,
    TooManyColumns
};

// Returns the names of the workbook's worksheets in workbook order (charts and macro sheets left out),
// each with every "'" and "$" deleted. A file that cannot be read gives an empty list.
std::vector<Text> listSheetNames(const text::FilePath& path);
// The same, saying why a file could not be read and where; the failure names the file.
failure::Failure listSheetNames(const text::FilePath& path, std::vector<Text>& names);
// The same over a workbook's sheet entries.
std::vector<Text> listSheetNames(const std::vector<sheet::SheetEntry>& sheets);

// The status a reader's failure gives: Ok for none.
ReaderStatus statusOf(const failure::Failure& failure);

// One worksheet opened for reading. Record k is worksheet row k (from 1); field i is column i + 1.
// Every value comes out as text: numbers as "%.8f" in a number column and "%.15g" in a text column,
// date-times as "%Y-%m-%d %H:%M:%S", booleans as TRUE/FALSE. A column is a number column when records
// 1 to 8 hold only numbers, date-times and booleans, and at least one of them holds a value.
class WorksheetReader {
public:
    // Opens `sheetName` (matched byte for byte, as typed) in the workbook at `path`. On failure the
    // reader holds an empty sheet.
    ReaderStatus open(const text::FilePath& path, const Text& sheetName);
    // Reads a sheet already in memory: where open() ends, and where the fuzzers start.
    void openSheet(sheet::Sheet sheet, bool uses1904DateSystem);

    int recordCount() const;
    int fieldCount() const;
    // The text of field `field` (zero-based) of record `record` (one-based); empty outside the sheet.
    Text field(int record, int field) const;
    // Record 1's texts, one per field.
    std::vector<Text> firstRecord() const;
    // Frees a record once its texts are taken, so a large sheet is not held beside its copy. Its fields
    // read as empty afterwards; recordCount, fieldCount and the columns' typing stay.
    void releaseRecord(int record) { m_sheet.releaseRow(record - 1); }

    // After SheetNotFound: the worksheet names the workbook does hold, as stored, for the message.
    const std::vector<Text>& availableSheets() const { return m_available; }
    // After a failed open other than SheetNotFound: why, and where, as far as the workbook's reader
    // knows; it names the file, and for a file that could not be opened what the system said then.
    const failure::Failure& failure() const { return m_failure; }
    // The first value beyond the rows and columns a sheet holds in a worksheet column that `columns`
    // (one-based column numbers) name, as a fault (RowsBeyond or ColumnsBeyond) of the open sheet;
    // What::Unknown when there is none. Values beyond in other columns are no import's concern.
    failure::Place beyondIn(const std::vector<int>& columns) const;

private:
    sheet::Sheet m_sheet;
    bool m_uses1904 = false;
    std::vector<ColumnKind> m_columnKinds;
    std::vector<Text> m_available;
    failure::Failure m_failure;
    int m_sheetNumber = 0;  // one-based, of the open sheet in its workbook
};

}  // namespace velmora::import
