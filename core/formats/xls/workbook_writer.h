// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a one-sheet legacy Excel workbook (BIFF8 .xls) of text cells and, where a source asks, numbers.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/rules.h"

namespace velmora::xls {

// The most the format holds: row 1 carries the headers, so 65,535 rows are left for data.
constexpr std::size_t kMaxDataRows = 65535;
constexpr std::size_t kMaxColumns = 256;
constexpr std::size_t kMaxCellUnits = 32767;  // UTF-16 code units in one cell
constexpr std::size_t kMaxRecordData = 8224;  // bytes of data in one BIFF8 record

// Hands the writer its data rows one at a time, so a caller reading from a database never has to hold
// the whole table as texts.
class RowSource {
public:
    virtual ~RowSource() = default;
    // Replaces `cells` with the next row's texts (GBK) and returns true, or returns false after the last
    // row. A row may hold fewer cells than there are headers; the rest are blank.
    virtual bool nextRow(std::vector<text::Text>& cells) = 0;
    // The same, each cell a view valid until the next call. Sources that hold their rows as bytes give
    // them without a copy; the rest copy through nextRow.
    virtual bool nextRowView(std::vector<std::string_view>& cells);
    // The value of cell `column` of the row nextRow gave last when that cell is a number, written as a
    // NUMBER record (its text is then ignored); nullopt for a text. Sources of texts keep the default.
    virtual std::optional<double> numberAt(std::size_t column) const {
        static_cast<void>(column);
        return std::nullopt;
    }
    // How many rows the source expects to give, if it knows (the writer reserves room by it); 0 if not.
    virtual std::size_t rowCountHint() const { return 0; }

private:
    std::vector<text::Text> m_row;  // nextRowView's copy
};

enum class WriteError {
    None,
    TooManyRows,       // more than kMaxDataRows data rows
    TooManyColumns,    // more than kMaxColumns headers or cells in a row
    CellTooLong,       // a header or cell beyond kMaxCellUnits UTF-16 units
    InvalidSheetName,  // empty, over 31 characters, or holding : \ / ? * [ ]
    CannotWrite,       // the file could not be created or written
};

// A one-sheet workbook whose cells are gathered but not yet written out: each cell as a string index or
// a number, the shared strings laid out already (about 4 bytes a cell besides its distinct texts).
// Writing it needs nothing else, so it may run on another thread.
class WorkbookDraft {
public:
    // Reads every row of `rows`; the same contract and errors as buildWorkbookStream.
    static std::optional<WorkbookDraft> gather(const std::vector<text::Text>& headers, RowSource& rows,
                                               std::string_view sheetName, WriteError& error);
    // Hands the Workbook stream, as buildWorkbookStream gives it, to `sink` in pieces of about a megabyte
    // at most, never whole; false when `sink` refused a piece (nothing more is handed on).
    bool write(const std::function<bool(std::string_view)>& sink) const;
    // The Workbook stream in one string. Uses the draft up.
    std::string finish() &&;

    WorkbookDraft(WorkbookDraft&&) noexcept;
    WorkbookDraft& operator=(WorkbookDraft&&) noexcept;
    ~WorkbookDraft();

private:
    struct Cells;
    explicit WorkbookDraft(std::unique_ptr<Cells> cells);
    std::unique_ptr<Cells> m_cells;
};

// Builds the Workbook stream of a one-sheet workbook: row 1 holds `headers`, then one row per data row;
// every non-empty text cell is a shared string, a number a NUMBER record, empty cells get no record. Returns
// nullopt and sets `error` when the data does not fit the format; nothing is cut short to make it fit.
std::optional<std::string> buildWorkbookStream(const std::vector<text::Text>& headers, RowSource& rows,
                                               std::string_view sheetName, WriteError& error);

// Writes the workbook to `path` (file-system encoding) inside a compound document. Nothing is created
// when the data does not fit; a failed write may leave a partial file at `path`, so callers that must
// keep an older file write to a temporary name and rename it.
WriteError writeWorkbook(const std::string& path, const std::vector<text::Text>& headers, RowSource& rows,
                         std::string_view sheetName = "Sheet1");

// Writes a stream from buildWorkbookStream to `path` inside a compound document; None or CannotWrite.
WriteError writeWorkbookStream(const std::string& path, std::string_view stream);
// The same into a file the caller opened (and closes); errno tells why when CannotWrite comes back.
WriteError writeWorkbookStream(std::FILE* file, std::string_view stream);
// Writes a draft's stream the same way, piece by piece.
WriteError writeWorkbookDraft(std::FILE* file, const WorkbookDraft& draft);

// A RowSource over rows already in memory (a table without rows, small callers).
class VectorRowSource : public RowSource {
public:
    // Keeps a reference: `rows` must outlive the source.
    explicit VectorRowSource(const std::vector<std::vector<text::Text>>& rows) : m_rows(rows) {}
    bool nextRow(std::vector<text::Text>& cells) override;

private:
    const std::vector<std::vector<text::Text>>& m_rows;
    std::size_t m_next = 0;
};

}  // namespace velmora::xls
