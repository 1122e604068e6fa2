// SPDX-License-Identifier: GPL-3.0-or-later
// The legacy Excel workbook (.xls: BIFF8, BIFF5/7, BIFF2-4) read into the shared sheet model.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sheet/fault.h"
#include "sheet/sheet.h"

namespace velmora::xls {

// The sheet model, shared with the other readers, under the names this reader has always used.
using sheet::Cell;
using sheet::CellKind;
using sheet::CellView;
using sheet::Fault;
using sheet::formatDateTime;
using sheet::Sheet;
using sheet::SheetEntry;
using sheet::SheetKind;

enum class OpenError {
    None,
    CannotRead,         // the file is missing or unreadable
    NotWorkbook,        // not a compound document, or no Workbook/Book stream in it
    UnsupportedFormat,  // a BIFF version of no known layout, or another kind of spreadsheet
    Encrypted,          // protected by a password (FILEPASS)
    Damaged,            // records that cannot be made sense of
};

class WorkbookData;

// An opened workbook: the globals parsed, the sheets read on demand.
class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;

    // Opens a workbook file. Never throws or crashes on bad input; `error` says why it failed and
    // `fault`, when given, where.
    static std::optional<Workbook> open(const std::string& path, OpenError& error, Fault* fault = nullptr);
    // The same on bytes already in memory (tests, fuzzing).
    static std::optional<Workbook> openBytes(std::string bytes, OpenError& error, Fault* fault = nullptr);

    // Every sheet of the workbook, in workbook order.
    const std::vector<SheetEntry>& sheets() const;
    bool uses1904DateSystem() const;

    // Reads all cells of sheet `index` (an index into sheets()); nullopt for a damaged sheet or a sheet
    // that is not a worksheet, with `fault`, when given, saying where it is damaged.
    std::optional<Sheet> readSheet(std::size_t index, OpenError& error, Fault* fault = nullptr) const;

private:
    std::unique_ptr<WorkbookData> m_data;
};

}  // namespace velmora::xls
