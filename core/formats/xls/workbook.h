// SPDX-License-Identifier: GPL-3.0-or-later
// The legacy Excel workbook (.xls: BIFF8, BIFF5/7, BIFF2-4) read into the shared sheet model.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "failure/failure.h"
#include "failure/place.h"
#include "sheet/sheet.h"
#include "text/file_path.h"

namespace velmora::xls {

// The sheet model, shared with the other readers, under the names this reader has always used.
using failure::Place;
using sheet::Cell;
using sheet::CellKind;
using sheet::CellView;
using sheet::formatDateTime;
using sheet::Sheet;
using sheet::SheetEntry;
using sheet::SheetKind;

class WorkbookData;

// An opened workbook: the globals parsed, the sheets read on demand.
class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;

    // Opens a workbook file. Never throws or crashes on bad input; `failure` says why it failed and where:
    // CannotRead (with what the system said) for a file that cannot be read, NotAWorkbook,
    // UnsupportedVersion for a BIFF version of no known layout or another kind of spreadsheet,
    // WorkbookEncrypted for one protected by a password (FILEPASS), WorkbookDamaged for records that
    // cannot be made sense of.
    static std::optional<Workbook> open(const text::FilePath& path, failure::Failure& failure);
    // The same on bytes already in memory: the import reads a file once and shows each format its bytes.
    static std::optional<Workbook> openBytes(std::string bytes, failure::Failure& failure);

    // Every sheet of the workbook, in workbook order.
    const std::vector<SheetEntry>& sheets() const;
    bool uses1904DateSystem() const;

    // Reads all cells of sheet `index` (an index into sheets()); nullopt for a damaged sheet or a sheet
    // that is not a worksheet, with `failure` saying why and where it is damaged.
    std::optional<Sheet> readSheet(std::size_t index, failure::Failure& failure) const;

private:
    std::unique_ptr<WorkbookData> m_data;
};

}  // namespace velmora::xls
