// SPDX-License-Identifier: GPL-3.0-or-later
// Builds a grid from arbitrary bytes, writes it as CSV and splits the CSV again by the rules any
// spreadsheet program reads it with: every cell must come back byte for byte, in its row and column.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "export/csv_export.h"
#include "model/grid.h"

using namespace velmora;
using text::Text;

namespace {

// Splits CSV text into rows of fields: fields end at a comma or a line end outside double quotes, a
// doubled quote inside quotes is one quote, and every line ends with CR LF.
bool parseCsv(const std::string& csv, std::vector<std::vector<Text>>& rows) {
    std::vector<Text> row;
    Text field;
    bool quoted = false, wasQuoted = false;
    for (std::size_t i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < csv.size() && csv[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            if (!field.empty() || wasQuoted) return false;  // a quote inside an unquoted field
            quoted = wasQuoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
            wasQuoted = false;
        } else if (c == '\r') {
            if (i + 1 >= csv.size() || csv[i + 1] != '\n' || !field.empty() || wasQuoted) return false;
            rows.push_back(row);
            row.clear();
            ++i;
        } else if (c == '\n') {
            return false;  // a bare line feed outside quotes
        } else {
            if (wasQuoted) return false;  // text after a closing quote
            field += c;
        }
    }
    return !quoted && row.empty() && field.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int columns = 1 + data[0] % 8;
    model::Grid grid;
    for (int c = 0; c < columns; ++c) grid.appendColumn("c" + std::to_string(c));
    // The rest is cell after cell, each ended by a 0x00 byte; the bytes in between go in unchanged.
    Text cell;
    int column = 0;
    for (std::size_t i = 1; i <= size; ++i) {
        if (i < size && data[i] != 0) {
            cell += static_cast<char>(data[i]);
            continue;
        }
        if (column == 0) grid.appendRow();
        grid.setCell(grid.rowCount() - 1, column, cell);
        cell.clear();
        column = (column + 1) % columns;
    }

    std::vector<std::vector<Text>> rows;
    if (!parseCsv(exporting::csvContent(grid), rows)) {
        std::fprintf(stderr, "the CSV does not split into fields\n");
        __builtin_trap();
    }
    if (static_cast<int>(rows.size()) != grid.rowCount()) __builtin_trap();
    for (int r = 0; r < grid.rowCount(); ++r) {
        const auto& fields = rows[static_cast<std::size_t>(r)];
        if (static_cast<int>(fields.size()) != columns) __builtin_trap();
        for (int c = 0; c < columns; ++c) {
            if (fields[static_cast<std::size_t>(c)] != grid.cell(r, c)) {
                std::fprintf(stderr, "row %d column %d changed\n", r, c);
                __builtin_trap();
            }
        }
    }
    return 0;
}
