// SPDX-License-Identifier: GPL-3.0-or-later
// Builds a grid from arbitrary bytes (texts short and long, Chinese and control characters, numbers and
// gaps), writes it as a workbook stream and reads that back: every cell must come back as it went in.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "text/encoding.h"
#include "xls/sheet_reader.h"
#include "xls/workbook_globals.h"
#include "xls/workbook_writer.h"

using namespace velmora;
using text::Text;

namespace {

// Reads the fuzz input front to back; past its end every read gives zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_next >= m_size; }
    std::uint8_t byte() { return m_next < m_size ? m_data[m_next++] : 0; }
    std::string bytes(std::size_t count) {
        std::string out;
        while (count-- > 0 && !done()) out += static_cast<char>(byte());
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_next = 0;
};

// A cell as it should read back: nullopt for a gap, else a text or a number.
struct Expected {
    bool isNumber = false;
    double number = 0;
    Text text;
};

// Only texts that are whole characters can come back byte for byte; anything else is first made so.
Text wholeCharacters(const std::string& bytes) { return text::gbkFromUtf8(text::utf8FromGbk(bytes)); }

std::optional<Expected> nextCell(Input& in, bool header) {
    Expected cell;
    switch (in.byte() % 5) {
        case 0:
            return std::nullopt;
        case 1:  // short raw bytes: ASCII, GBK pairs, control characters
            cell.text = wholeCharacters(in.bytes(in.byte() % 24));
            break;
        case 2: {  // a long text, so that strings run across record boundaries
            const std::string unit = wholeCharacters(in.bytes(1 + in.byte() % 6));
            const std::size_t low = in.byte();
            const std::size_t repeats = (low | std::size_t(in.byte()) << 8) % 4000;
            for (std::size_t i = 0; i < repeats && cell.text.size() < 30000; ++i) cell.text += unit;
            break;
        }
        case 3:  // Chinese text, two-byte characters only
            for (int i = in.byte() % 12; i > 0; --i) {
                cell.text += static_cast<char>(0xB0 + in.byte() % 0x27);
                cell.text += static_cast<char>(0xA1 + in.byte() % 0x5E);
            }
            break;
        default: {
            std::uint8_t raw[8];
            for (std::uint8_t& b : raw) b = in.byte();
            double number = 0;
            std::memcpy(&number, raw, sizeof number);
            // The export's figures come from a database, which holds no infinities and no NaN.
            if (header || !std::isfinite(number)) return std::nullopt;
            cell.isNumber = true;
            cell.number = number;
        }
    }
    if (!cell.isNumber && cell.text.empty()) return std::nullopt;
    return cell;
}

class ExpectedRows : public xls::RowSource {
public:
    explicit ExpectedRows(const std::vector<std::vector<std::optional<Expected>>>& rows) : m_rows(rows) {}
    bool nextRow(std::vector<Text>& cells) override {
        if (m_next >= m_rows.size()) return false;
        m_current = &m_rows[m_next++];
        cells.clear();
        for (const auto& cell : *m_current) cells.push_back(cell && !cell->isNumber ? cell->text : Text());
        return true;
    }
    std::optional<double> numberAt(std::size_t column) const override {
        const auto& cell = (*m_current)[column];
        return cell && cell->isNumber ? std::optional<double>(cell->number) : std::nullopt;
    }

private:
    const std::vector<std::vector<std::optional<Expected>>>& m_rows;
    const std::vector<std::optional<Expected>>* m_current = nullptr;
    std::size_t m_next = 0;
};

[[noreturn]] void mismatch(int row, int column, const char* what) {
    std::fprintf(stderr, "row %d column %d: %s\n", row, column, what);
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::size_t columns = 1 + in.byte() % 12;
    std::vector<std::optional<Expected>> headers;
    for (std::size_t c = 0; c < columns; ++c) headers.push_back(nextCell(in, true));
    std::vector<std::vector<std::optional<Expected>>> rows;
    while (!in.done() && rows.size() < 3000) {
        // A row may be shorter than the headers: the rest are blank.
        const std::size_t width = in.byte() % (columns + 1);
        auto& row = rows.emplace_back();
        for (std::size_t c = 0; c < width; ++c) row.push_back(nextCell(in, false));
    }

    std::vector<Text> headerTexts;
    for (const auto& header : headers) headerTexts.push_back(header ? header->text : Text());
    ExpectedRows source(rows);
    xls::WriteError writeError = xls::WriteError::None;
    const auto stream = xls::buildWorkbookStream(headerTexts, source, "Sheet1", writeError);
    if (!stream) mismatch(-1, -1, "a grid that fits was refused");

    const xls::biff::Bytes bytes(reinterpret_cast<const std::uint8_t*>(stream->data()), stream->size());
    failure::Reason error = failure::Reason::None;
    const auto globals = xls::readWorkbookGlobals(bytes, error);
    if (!globals || globals->sheets.size() != 1) mismatch(-1, -1, "the written workbook does not open");
    const auto sheet = xls::readSheetAt(bytes, globals->sheets[0].offset, *globals, error);
    if (!sheet) mismatch(-1, -1, "the written sheet does not read");

    rows.insert(rows.begin(), headers);
    int lastRow = 0, lastColumn = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            const int row = static_cast<int>(r), column = static_cast<int>(c);
            const xls::CellView got = sheet->view(row, column);
            const std::optional<Expected> want = c < rows[r].size() ? rows[r][c] : std::nullopt;
            if (!want) {
                if (got.holdsValue()) mismatch(row, column, "a gap came back with a value");
                continue;
            }
            lastRow = std::max(lastRow, row + 1);
            lastColumn = std::max(lastColumn, column + 1);
            if (want->isNumber) {
                if (got.kind != xls::CellKind::Number || got.number != want->number)
                    mismatch(row, column, "a number changed");
            } else if (got.kind != xls::CellKind::Text || got.text != want->text) {
                mismatch(row, column, "a text changed");
            }
        }
    }
    if (sheet->rowCount() != lastRow || sheet->columnCount() != lastColumn)
        mismatch(sheet->rowCount(), sheet->columnCount(), "cells appeared outside the grid");
    return 0;
}
