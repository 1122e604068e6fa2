// SPDX-License-Identifier: GPL-3.0-or-later
// Builds worksheets in memory for the import tests.
#pragma once

#include <initializer_list>
#include <string>

#include "text/encoding.h"
#include "xls/workbook.h"

namespace velmora::import::testing {

inline xls::Cell number(double value) { return {xls::CellKind::Number, value, {}, 0}; }
inline xls::Cell dateTime(double serial) { return {xls::CellKind::DateTime, serial, {}, 0}; }
inline xls::Cell boolean(bool value) { return {xls::CellKind::Boolean, value ? 1.0 : 0.0, {}, 0}; }
inline xls::Cell error() { return {xls::CellKind::Error, 0, {}, 0x07}; }
inline xls::Cell empty() { return {}; }
// A text cell from UTF-8 source text, stored as the workbook layer holds it (GBK).
inline xls::Cell label(const std::string& utf8) {
    return {xls::CellKind::Text, 0, text::gbkFromUtf8(utf8), 0};
}

// Builds a sheet from rows of cells, row 0 first.
inline xls::Sheet sheetOf(std::initializer_list<std::initializer_list<xls::Cell>> rows) {
    xls::Sheet sheet;
    int row = 0;
    for (const auto& cells : rows) {
        int column = 0;
        for (const xls::Cell& cell : cells) sheet.setCell(row, column++, cell);
        ++row;
    }
    return sheet;
}

inline text::Text gbk(const std::string& utf8) { return text::gbkFromUtf8(utf8); }

}  // namespace velmora::import::testing
