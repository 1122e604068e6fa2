// SPDX-License-Identifier: GPL-3.0-or-later
// A grid as CSV text: GBK bytes, no header line, every cell followed by ",", every line by CR LF.
#pragma once

#include <string>

#include "failure/failure.h"
#include "model/grid.h"
#include "text/file_path.h"
#include "text/rules.h"

namespace velmora::exporting {

// Appends row `row` as one line. A cell holding a comma, a double quote, CR or LF is put in double
// quotes with its quotes doubled, so it reads back as one field; any other cell goes in byte for byte.
void appendCsvLine(text::Text& out, const model::Grid& grid, int row);

// Returns the whole grid as CSV; a grid without rows gives the empty text.
text::Text csvContent(const model::Grid& grid);

// Writes the grid's CSV to `path` through a temporary file renamed into place,
// a megabyte at a time, so a grid of millions of cells is never held again as one text. Reads the grid
// only, so it may run on another thread while nothing changes the grid.
failure::Failure writeCsvFile(const text::FilePath& path, const model::Grid& grid);

}  // namespace velmora::exporting
