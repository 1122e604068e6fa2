// SPDX-License-Identifier: GPL-3.0-or-later
// Turns worksheet cells into the texts the grids hold, and decides whether a column reads as numbers.
#pragma once

#include "sheet/sheet.h"
#include "text/rules.h"

namespace velmora::import {

// How a column's numbers are written: a number column keeps eight decimals, so amounts line up
// (1250 -> 1250.00000000); a text column writes them as short as they round-trip to 15 digits.
enum class ColumnKind { Number, Text };

// Writes `number` as printf's "%.8f" in the C locale would.
text::Text formatFixed8(double number);
// Writes `number` as printf's "%.15g" in the C locale would.
text::Text formatGeneral15(double number);

// Decides a column's kind from the cells in its first eight rows (`column` of `sheet`, zero-based):
// any text, or no value at all, makes it a text column; numbers, date-times and booleans alone make it
// a number column. Empty texts and error cells count as empty.
ColumnKind columnKind(const sheet::Sheet& sheet, int column);

// Returns the text of one cell: empty cells, empty texts and errors give the empty text, booleans
// "TRUE"/"FALSE", date-times "%Y-%m-%d %H:%M:%S", numbers by the column kind.
text::Text cellText(const sheet::CellView& cell, ColumnKind kind, bool uses1904DateSystem);

}  // namespace velmora::import
