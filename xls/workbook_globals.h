// SPDX-License-Identifier: GPL-3.0-or-later
// The workbook globals substream: sheets, shared strings, date formats, date system, code page.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "xls/biff_strings.h"
#include "xls/workbook.h"

namespace velmora::xls {

struct SheetPosition {
    SheetEntry entry;
    std::uint32_t offset = 0;  // of the sheet's BOF within the stream
};

struct WorkbookGlobals {
    int biffVersion = 8;  // 8; 5 for BIFF5/7; 2, 3 or 4 for the plain-stream files before them
    biff::ByteCodePage codePage;
    bool uses1904 = false;
    std::vector<SheetPosition> sheets;
    std::vector<text::Text> sharedStrings;
    std::vector<bool> dateXfs;  // per XF index: its number format shows a date or time

    bool isDateXf(std::size_t xf) const { return xf < dateXfs.size() && dateXfs[xf]; }
};

// Reads the globals from the start of a workbook stream. Fails with Encrypted for a FILEPASS record,
// Damaged for globals that run past the stream or hold no sheet that can be read, UnsupportedFormat for
// BIFF versions it does not know.
std::optional<WorkbookGlobals> readWorkbookGlobals(biff::Bytes stream, OpenError& error);

// Reads the SST record and its CONTINUE records into GBK texts. Stops where the data ends, whatever
// count the record claims.
std::vector<text::Text> readSharedStrings(biff::SegmentReader& reader);

}  // namespace velmora::xls
