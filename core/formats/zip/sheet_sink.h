// SPDX-License-Identifier: GPL-3.0-or-later
// What the readers of the XML-based formats share: their failures, and the sheet they fill within
// the limits of the sheet model.
#pragma once

#include <cstddef>
#include <cstdint>

#include "package/zip_package.h"
#include "sheet/fault.h"
#include "sheet/sheet.h"

namespace velmora::package {

enum class ReadError {
    None,
    NotWorkbook,  // no part of a workbook where one must be
    Encrypted,    // protected by a password
    Damaged,      // a zip or XML that cannot be made sense of
    TooLarge,     // a part inflating beyond its bound, or values beyond the sheet's rows and columns
};

// The failure a part's status stands for.
ReadError errorOf(PartStatus status);
// Where that failure lies: the part, and what its status says went wrong there.
sheet::Fault faultOf(PartStatus status, std::string_view partName);

// What the sheets read from one piece of XML may cost at most: bytes of text copied into cells and
// cells stored. Grows with the XML's size, so a small file cannot claim gigabytes through repetition.
struct SheetBudget {
    std::size_t textBytes;
    std::size_t cells;
    static SheetBudget forSource(std::size_t sourceBytes);
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
    ReadError error() const { return m_error; }
    // What went wrong, for the fault that names the place.
    sheet::Fault::What what() const {
        return m_error == ReadError::TooLarge ? sheet::Fault::What::CellBudget : sheet::Fault::What::RowNumber;
    }
    sheet::Sheet take() { return std::move(m_sheet); }

private:
    sheet::Sheet m_sheet;
    SheetBudget& m_budget;
    ReadError m_error = ReadError::None;
};

}  // namespace velmora::package
