// SPDX-License-Identifier: GPL-3.0-or-later
// Builds worksheets in memory for the import tests.
#pragma once

#include <initializer_list>
#include <string>

#include "sheet/sheet.h"
#include "text/encoding.h"

namespace velmora::import::testing {

inline sheet::Cell number(double value) { return {sheet::CellKind::Number, value, {}, 0}; }
inline sheet::Cell dateTime(double serial) { return {sheet::CellKind::DateTime, serial, {}, 0}; }
inline sheet::Cell boolean(bool value) { return {sheet::CellKind::Boolean, value ? 1.0 : 0.0, {}, 0}; }
inline sheet::Cell error() { return {sheet::CellKind::Error, 0, {}, 0x07}; }
inline sheet::Cell empty() { return {}; }
// A text cell from UTF-8 source text, stored as the workbook layer holds it (GBK).
inline sheet::Cell label(const std::string& utf8) {
    return {sheet::CellKind::Text, 0, text::gbkFromUtf8(utf8), 0};
}

// Builds a sheet from rows of cells, row 0 first.
inline sheet::Sheet sheetOf(std::initializer_list<std::initializer_list<sheet::Cell>> rows) {
    sheet::Sheet sheet;
    int row = 0;
    for (const auto& cells : rows) {
        int column = 0;
        for (const sheet::Cell& cell : cells) sheet.setCell(row, column++, cell);
        ++row;
    }
    return sheet;
}

inline text::Text gbk(const std::string& utf8) { return text::gbkFromUtf8(utf8); }

}  // namespace velmora::import::testing
