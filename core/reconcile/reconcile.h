// SPDX-License-Identifier: GPL-3.0-or-later
// Auto-fill and compare: copies figures from the source grid into the register grid by card code.
#pragma once

#include <cstddef>
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

// The register's card codes (column 0) by hash, each with the topmost row holding it. It names rows and
// compares codes in the grid itself, so it serves as long as that grid's rows and codes are not changed;
// made ahead, it lets the register's reading thread do the work while the other table still imports.
class RegisterIndex {
public:
    RegisterIndex() = default;  // none: the comparison makes its own
    explicit RegisterIndex(const model::Grid& registerGrid);

    // The slot holding `code`, or the free slot where it would go.
    std::size_t probe(std::string_view code, std::size_t hash) const;
    int rowAt(std::size_t slot) const { return m_slots[slot].row; }
    // The register row `hash` leads to first, to be asked for ahead; -1 when none.
    int firstRowOf(std::size_t hash) const {
        const Slot& first = m_slots[hash & (m_slots.size() - 1)];
        return first.hash == hash ? first.row : -1;
    }
    const void* slotOf(std::size_t hash) const { return &m_slots[hash & (m_slots.size() - 1)]; }
    // Made for `grid` as it stands now (as many rows, at least one column).
    bool serves(const model::Grid& grid) const {
        return m_grid == &grid && m_rows == grid.rowCount() && !m_slots.empty();
    }

private:
    struct Slot {
        std::size_t hash;
        int row;  // -1: free
    };
    const model::Grid* m_grid = nullptr;
    int m_rows = 0;
    std::vector<Slot> m_slots;
};

// For every source row, finds the topmost register row with the same card code (column 0), copies
// columns 2 to N + 1 into it (N = `fillCount`, none when 0 or less), compares the holder names (column 1)
// and writes markers into the last column of each grid after widening both grids. `index`, when it serves
// the register as it is, spares making one.
ReconcileResult autoFillAndCompare(model::Grid& registerGrid, model::Grid& sourceGrid, int fillCount,
                                   model::Progress& progress, const RegisterIndex* index = nullptr);

}  // namespace velmora::reconcile
