// SPDX-License-Identifier: GPL-3.0-or-later
// What the readers of the XML-based formats share: their failures' reasons and places, and the sheet they
// fill within the limits of the sheet model.
#pragma once

#include <cstddef>
#include <cstdint>

#include "failure/failure.h"
#include "failure/place.h"
#include "package/zip_package.h"
#include "sheet/sheet.h"

namespace velmora::package {

// The reason a part's status stands for: NotAWorkbook for a missing part, WorkbookTooLarge for one that
// would inflate beyond its bound, WorkbookDamaged for any other that could not be read.
failure::Reason reasonOf(PartStatus status);
// Where that failure lies: the part, and what its status says went wrong there.
failure::Place faultOf(PartStatus status, std::string_view partName);

// What the sheets read from one piece of XML may cost at most: bytes of text copied into cells and
// cells stored. Grows with the XML's size, so a small file cannot claim gigabytes through repetition.
struct SheetBudget {
    std::size_t textBytes;
    std::size_t cells;
    static SheetBudget forSource(std::size_t sourceBytes);
    // Whether two readers that each began with this budget, and have `firstLeft` and `secondLeft` of
    // it left, spent no more than it together (one source read in two parts).
    bool covers(const SheetBudget& firstLeft, const SheetBudget& secondLeft) const;
};

// Takes the cells a reader finds and stores them in a sheet. Notes, rather than drops, a value beyond
// the 65,536 rows and 256 columns a sheet holds (Sheet::noteBeyond), and bounds what repeated cells
// and long texts may cost, so a small file cannot claim gigabytes.
class SheetSink {
public:
    // `budget` may be shared by the sheets of one workbook and must outlive the sink.
    explicit SheetSink(SheetBudget& budget) : m_budget(budget) {}

    // Stores the cell, `count` times along the row from `column`. False (and error() says why) when
    // it cannot be stored whole.
    bool put(std::int64_t row, std::int64_t column, sheet::CellView cell, std::int64_t count = 1);
    failure::Reason error() const { return m_error; }
    // What went wrong, for the fault that names the place.
    failure::Place::What what() const {
        return m_error == failure::Reason::WorkbookTooLarge ? failure::Place::What::CellBudget
                                                            : failure::Place::What::RowNumber;
    }
    sheet::Sheet take() { return std::move(m_sheet); }

private:
    sheet::Sheet m_sheet;
    SheetBudget& m_budget;
    failure::Reason m_error = failure::Reason::None;
};

}  // namespace velmora::package
