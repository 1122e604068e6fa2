// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as an .xlsx workbook: every sheet, every cell, and the cells as import text.
// Bytes that are no zip are read as the XML of each part (shared strings, styles, a sheet), so
// mutations reach the parsers without having to keep a compressed container intact; the sheet is read
// once more in two halves, which must give the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/sheet_walk.h"
#include "import/workbook_file.h"
#include "ooxml/string_items.h"
#include "ooxml/workbook_parts.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    if (input.rfind("PK", 0) == 0) {
        fuzzing::readWorkbook(std::move(input));
        return 0;
    }
    const auto source = package::XmlSource::memory(input);
    ooxml::WorkbookParts parts;
    (void)ooxml::readSharedStrings(source, parts.sharedStrings);
    (void)ooxml::readDateStyles(source, parts.dateStyles);
    (void)ooxml::decodeEscapes(input);
    failure::Failure failure;
    auto sheet = ooxml::readSheetXml(parts, source, failure);
    if (!sheet && failure.ok()) __builtin_trap();  // a failure must say why
    // Read in two halves wherever they can be found, it must give exactly the same.
    failure::Failure halvesFailure;
    const auto halves = ooxml::readSheetXml(parts, source, halvesFailure, 0);
    if (halves.has_value() != sheet.has_value() || halvesFailure.describe() != failure.describe() ||
        (sheet && !fuzzing::sameSheet(*sheet, *halves)))
        __builtin_trap();
    if (!sheet) (void)failure.describe();
    if (sheet) fuzzing::readCells(std::move(*sheet), false);
    return 0;
}
