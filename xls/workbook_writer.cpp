// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/workbook_writer.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "text/encoding.h"
#include "xls/biff_output.h"
#include "xls/gsf_library.h"
#include "xls/shared_strings.h"

namespace velmora::xls {
namespace {

constexpr std::uint16_t kTextCellXf = 21;    // the first XF after the 16 fixed and 5 built-in style XFs
constexpr std::uint16_t kNumberCellXf = 15;  // the default cell XF: format General
constexpr std::size_t kMinimumStreamSize = 4096;

Bytes bof(std::uint16_t kind) {
    Bytes b;
    b.u16(0x0600).u16(kind).u16(0x0DBB).u16(0x07CC).u32(0).u32(6);
    return b;
}

Bytes font(bool bold, bool italic) {
    Bytes b;
    b.u16(200).u16(italic ? 0x0002 : 0).u16(0x7FFF).u16(bold ? 700 : 400).u16(0).u8(0).u8(0).u8(0).u8(0);
    b.u8(5).u8(0).raw("Arial");
    return b;
}

// An XF record: font 0, the given number format, protection/parent word, general alignment and the
// used-attribute byte, no borders, default pattern colours.
Bytes xf(std::uint16_t format, std::uint16_t protection, std::uint8_t usedAttributes) {
    Bytes b;
    b.u16(0).u16(format).u16(protection).u8(0x20).u8(0).u8(0).u8(usedAttributes).zeros(8).u16(0x20C0);
    return b;
}

Bytes shortUnicodeString(const std::u16string& units) {
    Bytes b;
    b.u8(static_cast<std::uint8_t>(units.size()));
    const bool wide = std::any_of(units.begin(), units.end(), [](char16_t u) { return u > 0xFF; });
    b.u8(wide ? 1 : 0);
    for (char16_t u : units) {
        if (wide) {
            b.u16(static_cast<std::uint16_t>(u));
        } else {
            b.u8(static_cast<std::uint8_t>(u));
        }
    }
    return b;
}

bool validSheetName(const std::u16string& name) {
    if (name.empty() || name.size() > 31 || name.front() == u'\'' || name.back() == u'\'') return false;
    return name.find_first_of(u":\\/?*[]") == std::u16string::npos;
}

void writeStyles(RecordStream& out) {
    out.record(record::kXf, xf(0, 0xFFF5, 0x00));                               // Normal style
    for (int i = 1; i < 15; ++i) out.record(record::kXf, xf(0, 0xFFF5, 0xF4));  // outline styles
    out.record(record::kXf, xf(0, 0x0001, 0x00));                               // default cell XF
    // Comma, Comma [0], Currency, Currency [0] and Percent: programs expect these five style XFs.
    for (std::uint16_t format : {43, 41, 44, 42, 9}) out.record(record::kXf, xf(format, 0xFFF5, 0xF0));
    // The cells' XF: format 49 is "@", so a cell edited later stays text and keeps its leading zeros.
    out.record(record::kXf, xf(49, 0x0001, 0x04));

    const std::uint8_t styles[][4] = {{0x00, 0x80, 0x00, 0xFF}, {0x10, 0x80, 0x03, 0xFF},
                                      {0x11, 0x80, 0x06, 0xFF}, {0x12, 0x80, 0x04, 0xFF},
                                      {0x13, 0x80, 0x07, 0xFF}, {0x14, 0x80, 0x05, 0xFF}};
    for (const auto& style : styles) {
        out.record(record::kStyle, std::string_view(reinterpret_cast<const char*>(style), 4));
    }
}

// Writes the globals substream and returns the offset of BOUNDSHEET's sheet-position field.
std::size_t writeGlobals(RecordStream& out, const std::u16string& sheetName, const SharedStrings& strings) {
    out.record(record::kBof, bof(0x0005));
    out.record(record::kCodePage, Bytes().u16(1200));
    out.record(record::kWindow1,
               Bytes().u16(0).u16(0).u16(0x4000).u16(0x2000).u16(0x0038).u16(0).u16(0).u16(1).u16(600));
    out.record(record::kDateMode, Bytes().u16(0));
    // Four fonts, as font index 4 does not exist in the format: regular, bold, italic, bold italic.
    out.record(record::kFont, font(false, false));
    out.record(record::kFont, font(true, false));
    out.record(record::kFont, font(false, true));
    out.record(record::kFont, font(true, true));
    writeStyles(out);

    const std::size_t sheetPosition = out.size() + 4;
    Bytes sheet;
    sheet.u32(0).u8(0).u8(0).raw(shortUnicodeString(sheetName).str());
    out.record(record::kBoundSheet, sheet);
    strings.write(out);
    out.record(record::kEof, Bytes());
    return sheetPosition;
}

struct UsedRange {
    std::uint32_t firstRow = UINT32_MAX, lastRow = 0;
    std::uint16_t firstColumn = UINT16_MAX, lastColumn = 0;
    bool empty() const { return firstRow == UINT32_MAX; }
    void include(std::uint32_t row, std::uint16_t column) {
        firstRow = std::min(firstRow, row);
        lastRow = std::max(lastRow, row);
        firstColumn = std::min(firstColumn, column);
        lastColumn = std::max(lastColumn, column);
    }
};

// Turns one row into LABELSST and NUMBER records; empty cells get none. `numbers` says which cells are
// numbers (none for the header row). A LABELSST's string index is filled in once all texts are known;
// `indexOffsets` gets where it goes.
WriteError addRow(const std::vector<text::Text>& cells, const RowSource* numbers, std::uint32_t row,
                  SharedStrings& strings, RecordStream& cellRecords, std::vector<std::size_t>& indexOffsets,
                  UsedRange& used) {
    if (cells.size() > kMaxColumns) return WriteError::TooManyColumns;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const auto c = static_cast<std::uint16_t>(column);
        if (const auto number = numbers ? numbers->numberAt(column) : std::nullopt) {
            Bytes value;
            value.u16(static_cast<std::uint16_t>(row)).u16(c).u16(kNumberCellXf).f64(*number);
            cellRecords.record(record::kNumber, value);
            used.include(row, c);
            continue;
        }
        if (cells[column].empty()) continue;
        if (!strings.add(cells[column])) return WriteError::CellTooLong;
        // The whole record at once: id, length 10, row, column, XF and the index filled in later.
        const char label[14] = {static_cast<char>(record::kLabelSst & 0xFF),
                                static_cast<char>(record::kLabelSst >> 8),
                                10,
                                0,
                                static_cast<char>(row),
                                static_cast<char>(row >> 8),
                                static_cast<char>(c),
                                static_cast<char>(c >> 8),
                                static_cast<char>(kTextCellXf),
                                static_cast<char>(kTextCellXf >> 8),
                                0,
                                0,
                                0,
                                0};
        cellRecords.append(std::string_view(label, sizeof label));
        indexOffsets.push_back(cellRecords.size() - 4);
        used.include(row, c);
    }
    return WriteError::None;
}

void writeSheet(RecordStream& out, std::string_view cellRecords, const UsedRange& used) {
    out.record(record::kBof, bof(0x0010));
    Bytes dimensions;
    if (used.empty()) {
        dimensions.zeros(14);
    } else {
        dimensions.u32(used.firstRow)
            .u32(used.lastRow + 1)
            .u16(used.firstColumn)
            .u16(used.lastColumn + 1)
            .u16(0);
    }
    out.record(record::kDimensions, dimensions);
    out.append(cellRecords);
    out.record(record::kWindow2, Bytes().u16(0x06B6).u16(0).u16(0).u16(0x40).u16(0).u16(0).u16(0).u32(0));
    out.record(record::kEof, Bytes());
}

}  // namespace

bool VectorRowSource::nextRow(std::vector<text::Text>& cells) {
    if (m_next >= m_rows.size()) return false;
    cells = m_rows[m_next++];
    return true;
}

struct WorkbookDraft::Cells {
    std::u16string sheetUnits;
    SharedStrings strings;
    RecordStream records;
    UsedRange used;
    std::vector<std::size_t> indexOffsets;
};

WorkbookDraft::WorkbookDraft(std::unique_ptr<Cells> cells) : m_cells(std::move(cells)) {}
WorkbookDraft::WorkbookDraft(WorkbookDraft&&) noexcept = default;
WorkbookDraft& WorkbookDraft::operator=(WorkbookDraft&&) noexcept = default;
WorkbookDraft::~WorkbookDraft() = default;

std::optional<WorkbookDraft> WorkbookDraft::gather(const std::vector<text::Text>& headers, RowSource& rows,
                                                   std::string_view sheetName, WriteError& error) {
    auto cells = std::make_unique<Cells>();
    cells->sheetUnits = text::utf16FromGbk(sheetName);
    error = validSheetName(cells->sheetUnits) ? WriteError::None : WriteError::InvalidSheetName;

    // A LABELSST record a cell: with the row count known, the records grow in one block, not by doubling
    // (up to a size that sparse wide sheets would not fill).
    const std::size_t expectedCells =
        std::min<std::size_t>(rows.rowCountHint() * headers.size(), (std::size_t(32) << 20) / 14);
    cells->records.str().reserve(expectedCells * 14);
    cells->strings.reserve(expectedCells);
    cells->indexOffsets.reserve(expectedCells);
    const auto add = [&cells](const std::vector<text::Text>& row, const RowSource* numbers, std::uint32_t r) {
        return addRow(row, numbers, r, cells->strings, cells->records, cells->indexOffsets, cells->used);
    };
    if (error == WriteError::None) error = add(headers, nullptr, 0);
    std::vector<text::Text> row;
    for (std::uint32_t r = 1; error == WriteError::None && rows.nextRow(row); ++r) {
        error = r > kMaxDataRows ? WriteError::TooManyRows : add(row, &rows, r);
    }
    if (error != WriteError::None) return std::nullopt;
    return WorkbookDraft(std::move(cells));
}

std::string WorkbookDraft::finish() && {
    Cells& cells = *m_cells;
    cells.strings.resolve();
    for (std::size_t i = 0; i < cells.indexOffsets.size(); ++i)
        cells.records.patch32(cells.indexOffsets[i], cells.strings.indexOf(i));

    RecordStream stream;
    // Globals are a few KB and the SST at most two bytes a character plus headers: one allocation.
    stream.str().reserve(16384 + cells.strings.textBytes() * 2 + cells.strings.uniqueCount() * 3 +
                         cells.records.size());
    const std::size_t sheetPosition = writeGlobals(stream, cells.sheetUnits, cells.strings);
    stream.patch32(sheetPosition, static_cast<std::uint32_t>(stream.size()));
    writeSheet(stream, cells.records.str(), cells.used);
    m_cells.reset();  // the cells are in the stream now; free them before it is written out
    // Padding keeps the stream out of the compound file's small-block area; readers stop at EOF.
    if (stream.size() < kMinimumStreamSize) stream.str().resize(kMinimumStreamSize, '\0');
    return std::move(stream.str());
}

std::optional<std::string> buildWorkbookStream(const std::vector<text::Text>& headers, RowSource& rows,
                                               std::string_view sheetName, WriteError& error) {
    std::optional<WorkbookDraft> draft = WorkbookDraft::gather(headers, rows, sheetName, error);
    if (!draft) return std::nullopt;
    return std::move(*draft).finish();
}

WriteError writeWorkbook(const std::string& path, const std::vector<text::Text>& headers, RowSource& rows,
                         std::string_view sheetName) {
    WriteError error = WriteError::None;
    const std::optional<std::string> stream = buildWorkbookStream(headers, rows, sheetName, error);
    if (!stream) return error;
    return writeWorkbookStream(path, *stream);
}

namespace {

// Puts the stream into a compound document written to `sink`, and lets go of the sink.
WriteError writeStreamInto(GsfOutput* sink, std::string_view stream) {
    GsfOutfile* container = gsf_outfile_msole_new(sink);
    g_object_unref(sink);
    if (container == nullptr) return WriteError::CannotWrite;
    GsfOutput* workbook = gsf_outfile_new_child(container, "Workbook", FALSE);
    bool written = workbook != nullptr &&
                   gsf_output_write(workbook, stream.size(), reinterpret_cast<const guint8*>(stream.data()));
    if (workbook != nullptr) {
        written = gsf_output_close(workbook) && written;
        g_object_unref(workbook);
    }
    written = gsf_output_close(GSF_OUTPUT(container)) && written;
    g_object_unref(container);
    return written ? WriteError::None : WriteError::CannotWrite;
}

}  // namespace

WriteError writeWorkbookStream(const std::string& path, std::string_view stream) {
    initialiseGsf();
    GError* gerror = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &gerror);
    g_clear_error(&gerror);
    if (sink == nullptr) return WriteError::CannotWrite;
    return writeStreamInto(sink, stream);
}

WriteError writeWorkbookStream(std::FILE* file, std::string_view stream) {
    initialiseGsf();
    GsfOutput* sink = gsf_output_stdio_new_FILE("workbook", file, TRUE);
    if (sink == nullptr) return WriteError::CannotWrite;
    const WriteError error = writeStreamInto(sink, stream);
    return error == WriteError::None && std::fflush(file) != 0 ? WriteError::CannotWrite : error;
}

}  // namespace velmora::xls
