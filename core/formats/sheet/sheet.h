// SPDX-License-Identifier: GPL-3.0-or-later
// The sheets every reader fills, whatever the file's format: typed cells by row and column, and each
// sheet's name and kind. Knows nothing of files, grids or settings; the import turns these cells into texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/rules.h"

namespace velmora::sheet {

// The rows and columns a sheet holds, as many as a legacy workbook can; a value beyond them is noted
// (Sheet::noteBeyond), not stored.
inline constexpr int kMaxRows = 65536;
inline constexpr int kMaxColumns = 256;

enum class CellKind : std::uint8_t { Empty, Text, Number, DateTime, Boolean, Error };

// One cell. A formula cell carries the kind and value of its cached result.
struct Cell {
    CellKind kind = CellKind::Empty;
    double number = 0.0;  // Number and DateTime (the serial in the workbook's date system); Boolean 0 or 1
    text::Text text;      // Text only, as GBK (GB18030) bytes
    std::uint8_t errorCode = 0;  // Error only

    // Empty cells, error cells and empty texts hold no value: they never count for the used range.
    bool holdsValue() const;
};

// A cell whose text stays where it is stored: inside a sheet (valid until the sheet changes) or inside
// a Cell it was made from.
struct CellView {
    CellKind kind = CellKind::Empty;
    double number = 0.0;
    std::string_view text;
    std::uint8_t errorCode = 0;

    CellView() = default;
    CellView(CellKind k, double n, std::string_view t, std::uint8_t e)
        : kind(k), number(n), text(t), errorCode(e) {}
    CellView(const Cell& cell)  // NOLINT: a Cell is read wherever a view is
        : kind(cell.kind), number(cell.number), text(cell.text), errorCode(cell.errorCode) {}

    bool holdsValue() const {
        return kind != CellKind::Empty && kind != CellKind::Error &&
               !(kind == CellKind::Text && text.empty());
    }
};

inline bool Cell::holdsValue() const { return CellView(*this).holdsValue(); }

// One worksheet's cells, addressed by zero-based row and column.
class Sheet {
public:
    // One past the last row / column that holds a value (see Cell::holdsValue); 0 for an empty sheet.
    int rowCount() const { return m_rowCount; }
    int columnCount() const { return m_columnCount; }

    // Returns the cell; outside the stored cells an empty cell. A text cell gives its text and the
    // number 0; every other kind gives its number and error code and no text.
    CellView view(int row, int column) const;
    Cell cell(int row, int column) const;
    // Stores a cell, copying its text (the reader and tests build sheets this way). Rows above 65,535
    // and columns above 255 are ignored.
    void setCell(int row, int column, CellView cell);
    // Notes a value a reader met beyond the 65,536 rows or 256 columns a sheet holds, `count` times along
    // the row from `column` (zero-based). It is not stored: the import refuses it only when its column
    // list reaches it, so one stray cell far away does not cost the clerk the whole sheet.
    void noteBeyond(std::int64_t row, std::int64_t column, std::int64_t count = 1);
    // The first row (zero-based) holding a value noted beyond the sheet in `column` (zero-based); -1
    // when there is none.
    std::int64_t firstRowBeyond(std::int64_t column) const;

    // Stores the cells of `later`, read from the part of the same source that follows this sheet's own,
    // `rowOffset` rows further down, as if they had been stored here one by one after this sheet's.
    // False, with nothing changed, when a row would move beyond the sheet or `later` noted a value
    // beyond it (where those notes belong depends on the rows before).
    bool appendLater(Sheet&& later, int rowOffset);

    // Frees the row's cells once they have been taken elsewhere, so a reader of a large sheet need not
    // hold it twice. The row reads as empty afterwards; rowCount and columnCount stay as they were.
    void releaseRow(int row);

    // A text kept once in the sheet for the cells that repeat it: a shared text of 32,767 characters
    // may stand in every cell of a sheet, and copying it per cell would cost far more than the file.
    struct KeptText {
        std::size_t offset;
        std::uint32_t length;
    };
    KeptText keepText(std::string_view text);
    void setTextCell(int row, int column, KeptText text) {
        setCell(row, column,
                CellView{CellKind::Text, 0, std::string_view(m_texts).substr(text.offset, text.length), 0});
    }

private:
    // Each row keeps only its stored cells, by column: a record at column 255 must not cost 256 cells,
    // or a small damaged file could claim gigabytes. Texts live one after another in m_texts, so a cell
    // takes 16 bytes and no allocation of its own: a full sheet has 16.7 million of them.
    struct Entry {
        // A text cell's offset into m_texts; any other cell's number, as the bits of the double.
        std::uint64_t value;
        std::uint32_t textLength;
        std::uint16_t column;
        CellKind kind;
        std::uint8_t errorCode;
    };
    static_assert(sizeof(Entry) == 16, "a cell of a full sheet must stay small");
    // Row number to its place in m_rows plus one (0: no cells). Only rows with cells get a place, so a
    // damaged file naming row 65,535 costs 4 bytes per row number, not a full row entry each.
    std::vector<std::uint32_t> m_rowSlots;
    std::vector<std::vector<Entry>> m_rows;
    std::string m_texts;
    // Values beyond the sheet: per column within it, the first row past the last (-1: none); past the
    // last column, spans of columns with their first row.
    struct Beyond {
        std::int64_t first;
        std::int64_t end;
        std::int64_t row;
    };
    std::vector<std::int64_t> m_rowsBeyond;
    std::vector<Beyond> m_columnsBeyond;
    int m_rowCount = 0;
    int m_columnCount = 0;
};

enum class SheetKind { Worksheet, Chart, Macro, Other };

struct SheetEntry {
    text::Text name;  // GBK, exactly as stored
    SheetKind kind = SheetKind::Worksheet;
    bool hidden = false;
};

// Formats a date-time serial as "%Y-%m-%d %H:%M:%S", rounded to the nearest second (halves up).
// Returns nullopt for serials no calendar date matches (negative, NaN, beyond 9999-12-31).
std::optional<text::Text> formatDateTime(double serial, bool uses1904DateSystem);

}  // namespace velmora::sheet
