// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of a workbook read when it opens: its sheet list and date system, its shared strings and
// which cell styles show dates.
#pragma once

#include <string>
#include <vector>

#include "package/sheet_sink.h"
#include "package/xml_parser.h"
#include "package/zip_package.h"
#include "sheet/sheet.h"
#include "text/rules.h"

namespace velmora::ooxml {

class WorkbookParts {
public:
    std::unique_ptr<std::string> bytes;  // the file; the zip reads from it in place
    std::optional<package::ZipPackage> zip;
    std::vector<sheet::SheetEntry> entries;
    std::vector<std::string> sheetParts;  // per entry; "" for a sheet with no part
    bool uses1904 = false;
    std::vector<text::Text> sharedStrings;
    std::vector<bool> dateStyles;  // per cell style index: its number format shows a date or time
};

// Reads styles.xml's number formats and cell styles into `dateStyles`.
package::PartStatus readDateStyles(const package::XmlSource& source, std::vector<bool>& dateStyles);

// Reads workbook.xml and the parts it leads to into `parts`; a failure names the part.
failure::Failure readWorkbookParts(WorkbookParts& parts);

// Reads the worksheet part into a sheet; a failure names the part and, where it lies in a row, the row.
std::optional<sheet::Sheet> readSheetPart(const WorkbookParts& parts, const std::string& partName,
                                          failure::Failure& failure);
// Worksheet parts from this size are parsed in two halves at once (package/xml_halves.h).
inline constexpr std::size_t kSheetHalvesFrom = std::size_t{4} << 20;

// The same from any source of worksheet XML; `halvesFrom` lets tests and fuzzing split small parts.
std::optional<sheet::Sheet> readSheetXml(const WorkbookParts& parts, const package::XmlSource& source,
                                         failure::Failure& failure,
                                         std::size_t halvesFrom = kSheetHalvesFrom);

}  // namespace velmora::ooxml
