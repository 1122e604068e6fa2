// SPDX-License-Identifier: GPL-3.0-or-later
// Office Open XML workbooks (.xlsx, .xlsm, transitional and strict) read into the sheet model every
// reader fills, so everything after reading is shared.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "failure/place.h"
#include "package/sheet_sink.h"
#include "sheet/sheet.h"

namespace velmora::ooxml {

class WorkbookParts;

class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;

    // Opens the workbook held in `bytes` (a zip package). Never throws or crashes on bad input. `failure`
    // says why it failed and where: the part, and within a sheet's part the row.
    static std::optional<Workbook> openBytes(std::string bytes, failure::Failure& failure);

    const std::vector<sheet::SheetEntry>& sheets() const;
    bool uses1904DateSystem() const;
    // Reads all cells of sheet `index`; nullopt with the reason for a sheet that cannot be read.
    std::optional<sheet::Sheet> readSheet(std::size_t index, failure::Failure& failure) const;

private:
    std::unique_ptr<WorkbookParts> m_parts;
};

// True when `bytes` look like an Office Open XML package: a zip holding "[Content_Types].xml".
bool isPackage(const package::ZipPackage& zip);

}  // namespace velmora::ooxml
