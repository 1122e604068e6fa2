// SPDX-License-Identifier: GPL-3.0-or-later
// Auto-fill and compare: copies figures from the source grid into the register grid by card code.
#pragma once

#include <string_view>
#include <vector>

#include "model/grid.h"
#include "model/progress.h"

namespace velmora::reconcile {

using text::Text;

struct ReconcileResult {
    int notFoundCount = 0;
    int mismatchCount = 0;
    Text summary;                           // the one-line result summary
    Text notFoundList;                      // one CR LF line per source code not found
    Text mismatchList;                      // two CR LF lines per name that differs
    std::vector<int> mismatchRegisterRows;  // register rows whose holder name differs, ascending
    std::vector<int> notFoundSourceRows;    // source rows whose card code is not in the register, ascending
    std::vector<int> mismatchSourceRows;    // source rows whose holder name differs, ascending
};

// Returns why no comparison can run, empty when it can: a table without columns was never imported and
// has no card codes, and comparing would only widen the grids and count nothing.
Text comparisonRefusal(const model::Grid& registerGrid, const model::Grid& sourceGrid);

// For every source row, finds the topmost register row with the same card code (column 0), copies
// columns 2 to N + 1 into it (N = `fillCount`, none when 0 or less), compares the holder names (column 1)
// and writes markers into the last column of each grid after widening both grids.
ReconcileResult autoFillAndCompare(model::Grid& registerGrid, model::Grid& sourceGrid, int fillCount,
                                   model::Progress& progress);

}  // namespace velmora::reconcile
