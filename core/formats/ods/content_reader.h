// SPDX-License-Identifier: GPL-3.0-or-later
// The tables of content.xml as sheets.
#pragma once

#include <string_view>
#include <vector>

#include "failure/place.h"
#include "package/sheet_sink.h"
#include "package/zip_package.h"
#include "sheet/sheet.h"

namespace velmora::opendocument {

// Reads every table of the package's content.xml, in document order, with its name and whether it is
// hidden. A failure names the part and, where known, the table (as sheet) and row.
failure::Failure readContent(const package::ZipPackage& zip, std::vector<sheet::SheetEntry>& entries,
                             std::vector<sheet::Sheet>& sheets);
// Content parts from this size are parsed in two halves at once (package/xml_halves.h).
inline constexpr std::size_t kContentHalvesFrom = std::size_t{4} << 20;

// The same from content XML held in memory, without common styles: a flat document holds its styles in
// the same XML. A failure names no part. `halvesFrom` lets tests and fuzzing split small documents.
failure::Failure readContentXml(std::string_view xml, std::vector<sheet::SheetEntry>& entries,
                                std::vector<sheet::Sheet>& sheets,
                                std::size_t halvesFrom = kContentHalvesFrom);

}  // namespace velmora::opendocument
