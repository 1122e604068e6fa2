// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as an .ods spreadsheet: every table, every cell, and the cells as import text.
// Bytes that are no zip are read as content.xml, so mutations reach the parser without having to keep
// a compressed container intact; the content is read once more in two halves, which must give the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/sheet_walk.h"
#include "opendocument/content_reader.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    if (input.rfind("PK", 0) == 0) {
        fuzzing::readWorkbook(std::move(input));
        return 0;
    }
    std::vector<sheet::SheetEntry> entries;
    std::vector<sheet::Sheet> sheets;
    const failure::Failure failure = opendocument::readContentXml(input, entries, sheets);
    // Read in two halves wherever they can be found, it must give exactly the same.
    std::vector<sheet::SheetEntry> halvesEntries;
    std::vector<sheet::Sheet> halvesSheets;
    const failure::Failure halvesFailure =
        opendocument::readContentXml(input, halvesEntries, halvesSheets, 0);
    if (halvesFailure.describe() != failure.describe() || halvesEntries.size() != entries.size() ||
        halvesSheets.size() != sheets.size())
        __builtin_trap();
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (entries[index].name != halvesEntries[index].name ||
            entries[index].hidden != halvesEntries[index].hidden)
            __builtin_trap();
    }
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        if (!fuzzing::sameSheet(sheets[index], halvesSheets[index])) __builtin_trap();
    }
    if (failure.failed()) {
        (void)failure.describe();
        return 0;
    }
    if (entries.size() != sheets.size()) __builtin_trap();
    for (sheet::Sheet& sheet : sheets) fuzzing::readCells(std::move(sheet), false);
    return 0;
}
