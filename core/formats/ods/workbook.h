// SPDX-License-Identifier: GPL-3.0-or-later
// OpenDocument spreadsheets (.ods, .fods) read into the sheet model every reader fills, so everything
// after reading is shared.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "failure/place.h"
#include "package/sheet_sink.h"
#include "sheet/sheet.h"

namespace velmora::opendocument {

class Workbook {
public:
    // Opens the spreadsheet held in `bytes` (a zip package) and reads every table of it: they all live
    // in one part, which is read once. Never throws or crashes on bad input. `failure` says
    // why and where a failure lies: the part, and within the tables the sheet and row.
    static std::optional<Workbook> openBytes(std::string bytes, failure::Failure& failure);
    // Opens a flat spreadsheet (.fods): the whole document as one XML file, read by the same handler.
    static std::optional<Workbook> openFlatBytes(std::string bytes, failure::Failure& failure);

    const std::vector<sheet::SheetEntry>& sheets() const { return m_entries; }
    // Dates are stored as calendar dates and read as serials of the 1900 system.
    bool uses1904DateSystem() const { return false; }
    std::optional<sheet::Sheet> readSheet(std::size_t index, failure::Failure& failure) const;

private:
    std::vector<sheet::SheetEntry> m_entries;
    std::vector<sheet::Sheet> m_sheets;
};

// True when the package holds an OpenDocument document: a content.xml, or a mimetype entry.
bool isPackage(const package::ZipPackage& zip);

// True when `bytes` are a flat OpenDocument document of any kind: XML whose root is office:document.
bool isFlatDocument(std::string_view bytes);

}  // namespace velmora::opendocument
