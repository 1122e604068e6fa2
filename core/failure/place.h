// SPDX-License-Identifier: GPL-3.0-or-later
// Where in a file a failure lies, in the words the clerk's message uses.
#pragma once

#include <cstdint>
#include <string>

#include "text/rules.h"

namespace velmora::failure {

// Where a workbook could not be read, as far as the reader knows it: what was wrong, in which record or
// part, sheet and row. The clerk's message names it, so whoever made the file can find the fault.
struct Place {
    enum class What : std::uint8_t {
        Unknown,
        Container,          // the compound document around the workbook
        StreamStart,        // the workbook stream does not start with a BOF record
        CutShort,           // records end before their substream does
        SheetDirectory,     // no BOUNDSHEET entry could be read
        SheetStart,         // no worksheet BOF where the sheet's entry points
        CellRecord,         // a cell record too short for its fields or its text
        SharedStringIndex,  // a cell naming a shared string the table does not hold
        RowsBeyond,         // a value below the last row a sheet holds
        ColumnsBeyond,      // a value right of the last column a sheet holds
        FileSize,           // a file larger than its format can hold (`limit` bytes)
        // The zip-based formats, whose `part` names the entry read:
        Zip,            // the zip's own directory cannot be read
        PartMissing,    // a part the workbook leads to is not in the package
        PartDuplicate,  // two entries of one part name: readers disagree on which to take
        PartInflate,    // a part's compressed data cannot be inflated
        PartSize,       // a part inflating beyond what the file can honestly hold
        Xml,            // a part that is no well-formed XML, or declares a DTD or entities
        RowNumber,      // a row whose number cannot be read
        CellReference,  // a cell whose reference cannot be read
        CellValue,      // a cell whose value does not match its type
        CellText,       // a cell whose text is longer than any cell's
        RepeatCount,    // a repeat count that is no positive number
        CellBudget,     // repeated cells or texts beyond what a file of its size may claim
    };
    What what = What::Unknown;
    std::uint16_t record = 0;  // the record's id, for CellRecord
    int sheet = 0;             // one-based in workbook order; 0: not within a sheet, or not known
    std::int64_t row = 0;      // one-based; 0: not known
    std::int64_t column = 0;   // one-based, for ColumnsBeyond
    std::uint64_t limit = 0;   // bytes, for FileSize
    std::string part = {};     // the zip entry (UTF-8) where the fault lies; empty for none

    // The place in words (GBK), e.g. "第2张工作表第5行的共享文字编号超出范围（xl/worksheets/sheet2.xml）";
    // empty when nothing is known.
    text::Text describe() const;

    friend bool operator==(const Place&, const Place&) = default;
};

}  // namespace velmora::failure
