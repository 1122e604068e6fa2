// SPDX-License-Identifier: GPL-3.0-or-later
// The workbook globals substream: sheets, shared strings, date formats, date system, code page.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sheet/number_formats.h"
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
    // Per XF index: its format shows a date as a weekday or year only, or -1.
    std::vector<int> textDateXfs;
    std::vector<sheet::TextDateFormat> textDateFormats;

    bool isDateXf(std::size_t xf) const { return xf < dateXfs.size() && dateXfs[xf]; }
    const sheet::TextDateFormat* textDateOf(std::size_t xf) const {
        if (xf >= textDateXfs.size() || textDateXfs[xf] < 0) return nullptr;
        return &textDateFormats[static_cast<std::size_t>(textDateXfs[xf])];
    }
};

// Reads the globals from the start of a workbook stream. Fails with WorkbookEncrypted for a FILEPASS
// record, WorkbookDamaged for globals that run past the stream or hold no sheet that can be read,
// UnsupportedVersion for BIFF versions it does not know.
// `fault`, when given, says where a damaged one is at fault.
std::optional<WorkbookGlobals> readWorkbookGlobals(biff::Bytes stream, failure::Reason& error,
                                                   Place* fault = nullptr);

// Reads the SST record and its CONTINUE records into GBK texts. Stops where the data ends, whatever
// count the record claims.
std::vector<text::Text> readSharedStrings(biff::SegmentReader& reader);

}  // namespace velmora::xls
