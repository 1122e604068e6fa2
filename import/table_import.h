// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a grid from a worksheet by the column spec and start row: the two import commands' core.
#pragma once

#include "import/worksheet_reader.h"
#include "model/grid.h"
#include "model/progress.h"

#include <string>

namespace velmora::import {

// Table 1 is the register to be filled; Table 2 the list that holds the figures.
enum class TableKind { Register, Source };

struct TableSettings {
    Text sheetName;   // used exactly as typed
    Text columnSpec;  // comma-separated one-based worksheet column numbers
    Text startRow;    // one-based; 0, negative or not a number imports every record
};

struct ImportOutcome {
    ReaderStatus status = ReaderStatus::Ok;
    Text message;    // GBK, for the message box when status is not Ok; names the file and the problem
    Text unitText;   // Register only: the unit text for the report name, from the worksheet's second row
};

// Imports the worksheet into `grid` after the caller has cleared its rows and asked for the file.
// On failure the grid keeps no rows and its columns stay as they were.
ImportOutcome importTable(TableKind kind, const std::string& path, const TableSettings& settings,
                          model::Grid& grid, model::Progress& progress);

}  // namespace velmora::import
