// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/csv_export.h"

#include "fileio/files.h"

namespace velmora::exporting {
namespace {

// The four bytes are all below 0x40, so none can be the second byte of a GBK character: a plain byte
// search finds only real commas, quotes and line breaks. One pass over the cell, not one per byte sought.
bool needsQuotes(std::string_view cell) {
    for (const char c : cell) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x40 && (byte == ',' || byte == '"' || byte == '\r' || byte == '\n')) return true;
    }
    return false;
}

void appendField(text::Text& out, std::string_view cell) {
    if (!needsQuotes(cell)) {
        out += cell;
        return;
    }
    out += '"';
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

void appendCsvLine(text::Text& out, const model::Grid& grid, int row) {
    for (int column = 0; column < grid.columnCount(); ++column) {
        appendField(out, grid.cell(row, column));
        out += ',';
    }
    out += "\r\n";
}

text::Text csvContent(const model::Grid& grid) {
    text::Text out;
    for (int row = 0; row < grid.rowCount(); ++row) appendCsvLine(out, grid, row);
    return out;
}

failure::Failure writeCsvFile(const text::FilePath& path, const model::Grid& grid) {
    constexpr std::size_t kPieceBytes = std::size_t(1) << 20;
    fileio::AtomicFile file(path.native());
    if (const failure::Failure opened = file.open(); opened.failed()) return opened;
    text::Text pending;
    for (int row = 0; row < grid.rowCount(); ++row) {
        appendCsvLine(pending, grid, row);
        if (pending.size() < kPieceBytes) continue;
        if (const failure::Failure written = file.append(pending); written.failed()) return written;
        pending.clear();
    }
    if (const failure::Failure written = file.append(pending); written.failed()) return written;
    return file.commit();
}

}  // namespace velmora::exporting
