// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/cell_text.h"

#include <array>
#include <charconv>

namespace velmora::import {
using text::Text;

namespace {
// Column kinds are decided from this many leading rows, as spreadsheet drivers sample them.
constexpr int kTypingRows = 8;

Text formatNumber(double number, std::chars_format format, int precision) {
    // "%.8f" of the largest double has 309 integer digits; to_chars never writes past the buffer.
    std::array<char, 400> buffer;
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), number, format, precision);
    return Text(buffer.data(), result.ptr);
}
}  // namespace

Text formatFixed8(double number) { return formatNumber(number, std::chars_format::fixed, 8); }

Text formatGeneral15(double number) { return formatNumber(number, std::chars_format::general, 15); }

ColumnKind columnKind(const xls::Sheet& sheet, int column) {
    bool anyValue = false;
    for (int row = 0; row < kTypingRows; ++row) {
        const xls::Cell& cell = sheet.cell(row, column);
        if (!cell.holdsValue()) continue;
        if (cell.kind == xls::CellKind::Text) return ColumnKind::Text;
        anyValue = true;
    }
    return anyValue ? ColumnKind::Number : ColumnKind::Text;
}

Text cellText(const xls::Cell& cell, ColumnKind kind, bool uses1904DateSystem) {
    switch (cell.kind) {
        case xls::CellKind::Empty:
        case xls::CellKind::Error:
            return {};
        case xls::CellKind::Text:
            return cell.text;
        case xls::CellKind::Boolean:
            return cell.number != 0 ? "TRUE" : "FALSE";
        case xls::CellKind::DateTime:
            // A serial no calendar holds (negative, too large) still shows its value rather than nothing.
            if (auto formatted = xls::formatDateTime(cell.number, uses1904DateSystem)) return *formatted;
            break;
        case xls::CellKind::Number:
            break;
    }
    return kind == ColumnKind::Number ? formatFixed8(cell.number) : formatGeneral15(cell.number);
}

}  // namespace velmora::import
