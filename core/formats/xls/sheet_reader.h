// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the cells of one worksheet substream.
#pragma once

#include "xls/workbook_globals.h"

namespace velmora::xls {

// Reads the worksheet whose BOF sits at `offset` in the stream, down to its matching EOF (embedded
// chart substreams are skipped). WorkbookDamaged when no worksheet BOF is there, a record runs past the
// stream, the EOF is missing, a cell record is too short, or a shared string index is out of range;
// `fault`, when given, then says which and, where a cell record names one, the row.
std::optional<Sheet> readSheetAt(biff::Bytes stream, std::size_t offset, const WorkbookGlobals& globals,
                                 failure::Reason& error, Place* fault = nullptr);

}  // namespace velmora::xls
