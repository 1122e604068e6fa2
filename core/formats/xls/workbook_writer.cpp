// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/workbook_writer.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>

#include "sheet/gsf_library.h"
#include "text/encoding.h"
#include "xls/biff_output.h"
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
    for (std::uint16_t format : std::initializer_list<std::uint16_t>{43, 41, 44, 42, 9})
        out.record(record::kXf, xf(format, 0xFFF5, 0xF0));
    // The cells' XF: format 49 is "@", so a cell edited later stays text and keeps its leading zeros.
    out.record(record::kXf, xf(49, 0x0001, 0x04));

    const std::uint8_t styles[][4] = {{0x00, 0x80, 0x00, 0xFF}, {0x10, 0x80, 0x03, 0xFF},
                                      {0x11, 0x80, 0x06, 0xFF}, {0x12, 0x80, 0x04, 0xFF},
                                      {0x13, 0x80, 0x07, 0xFF}, {0x14, 0x80, 0x05, 0xFF}};
    for (const auto& style : styles) {
        out.record(record::kStyle, std::string_view(reinterpret_cast<const char*>(style), 4));
    }
}

// The globals substream up to where the shared strings go; `sheetPosition` gets the offset of
// BOUNDSHEET's sheet-position field.
RecordStream globalsHead(const std::u16string& sheetName, std::size_t& sheetPosition) {
    RecordStream out;
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

    sheetPosition = out.size() + 4;
    Bytes sheet;
    sheet.u32(0).u8(0).u8(0).raw(shortUnicodeString(sheetName).str());
    out.record(record::kBoundSheet, sheet);
    return out;
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

// What a gathered cell holds: a string index, a place in the draft's numbers, or nothing.
constexpr std::uint32_t kEmptyCell = 0xFFFFFFFF;
constexpr std::uint32_t kNumberCell = 0x80000000;

Bytes dimensionsOf(const UsedRange& used) {
    Bytes dimensions;
    if (used.empty()) return dimensions.zeros(14), dimensions;
    dimensions.u32(used.firstRow).u32(used.lastRow + 1).u16(used.firstColumn).u16(used.lastColumn + 1).u16(0);
    return dimensions;
}

// A column's texts are looked up in the string table only while they repeat: after its first
// kRepeatSample texts, a column in which fewer than one text in kRepeatShare repeated an earlier one
// (card codes, figures of cents) gives each further text an entry of its own. Searching for those costs
// a wait for memory per text and finds next to nothing; the cells read the same either way, and the
// file grows by the few repeats missed.
constexpr std::uint32_t kRepeatSample = 1024;
constexpr std::uint32_t kRepeatShare = 16;

struct ColumnRepeats {
    std::uint32_t texts = 0;
    std::uint32_t repeats = 0;
    bool lookUp = true;
};

// Stores `v` at `out` least significant byte first, as BIFF keeps every number; the compiler makes
// it one store.
template <typename Unsigned>
void putLittleEndian(char* out, Unsigned v) {
    for (std::size_t i = 0; i < sizeof v; ++i) out[i] = static_cast<char>(v >> (8 * i));
}

// Cell records are handed on in pieces of about this size, so a sheet of millions of cells is never
// laid out whole in memory.
constexpr std::size_t kPieceBytes = std::size_t(1) << 20;

}  // namespace

bool RowSource::nextRowView(std::vector<std::string_view>& cells) {
    if (!nextRow(m_row)) return false;
    cells.assign(m_row.begin(), m_row.end());
    return true;
}

bool VectorRowSource::nextRow(std::vector<text::Text>& cells) {
    if (m_next >= m_rows.size()) return false;
    cells = m_rows[m_next++];
    return true;
}

// A gathered sheet: per row (the header row first) its cells, each a string index or a number; the
// texts themselves are in the shared strings, laid out already.
struct WorkbookDraft::Cells {
    std::u16string sheetUnits;
    SharedStrings strings;
    std::vector<std::uint32_t> rowEnds;  // where each row's cells end in `cells`
    std::vector<std::uint32_t> cells;
    std::vector<double> numbers;
    UsedRange used;
    // One row's texts while it is added: each with whether it is looked up, its column and its index.
    std::size_t textCount = 0;
    std::array<std::string_view, kMaxColumns> texts;
    std::array<std::uint8_t, kMaxColumns> lookUp;
    std::array<std::uint16_t, kMaxColumns> textColumns;
    std::array<std::uint32_t, kMaxColumns> indices;
    std::vector<ColumnRepeats> repeats = std::vector<ColumnRepeats>(kMaxColumns);

    // Counts, for each sampled text of the row just added, whether it repeated an earlier text: its index
    // is then below the next new one (new texts are numbered in turn).
    void countRepeats(std::uint32_t firstNew) {
        std::uint32_t next = firstNew;
        for (std::size_t i = 0; i < textCount; ++i) {
            if (!lookUp[i]) {
                ++next;
                continue;
            }
            const bool repeated = indices[i] < next;
            if (!repeated) ++next;
            ColumnRepeats& column = repeats[textColumns[i]];
            if (column.texts >= kRepeatSample) continue;
            column.repeats += repeated ? 1 : 0;
            if (++column.texts == kRepeatSample)
                column.lookUp = column.repeats * kRepeatShare >= kRepeatSample;
        }
    }

    WriteError addRow(const std::vector<std::string_view>& row, const RowSource* numberSource) {
        if (row.size() > kMaxColumns) return WriteError::TooManyColumns;
        const auto r = static_cast<std::uint32_t>(rowEnds.size());
        const std::size_t first = cells.size();
        cells.resize(first + row.size(), kEmptyCell);
        std::size_t count = 0, firstUsed = kMaxColumns, lastUsed = 0;
        for (std::size_t column = 0; column < row.size(); ++column) {
            const std::string_view cell = row[column];
            if (const auto number = numberSource ? numberSource->numberAt(column) : std::nullopt) {
                cells[first + column] = kNumberCell | static_cast<std::uint32_t>(numbers.size());
                numbers.push_back(*number);
            } else if (!cell.empty()) {
                texts[count] = cell;
                lookUp[count] = repeats[column].lookUp ? 1 : 0;
                textColumns[count] = static_cast<std::uint16_t>(column);
                ++count;  // its string index follows below
            } else {
                continue;
            }
            firstUsed = std::min(firstUsed, column);
            lastUsed = column;
        }
        textCount = count;
        if (firstUsed != kMaxColumns) {
            used.include(r, static_cast<std::uint16_t>(firstUsed));
            used.include(r, static_cast<std::uint16_t>(lastUsed));
        }
        // The row's texts are looked up together, which is far quicker on a large table.
        const auto firstNew = static_cast<std::uint32_t>(strings.uniqueCount());
        if (!strings.addAll(std::span(texts.data(), textCount), std::span(lookUp.data(), textCount),
                            std::span(indices.data(), textCount)))
            return WriteError::CellTooLong;
        countRepeats(firstNew);
        for (std::size_t i = 0; i < textCount; ++i) cells[first + textColumns[i]] = indices[i];
        rowEnds.push_back(static_cast<std::uint32_t>(cells.size()));
        return WriteError::None;
    }

    // The sheet substream after BOF and DIMENSIONS: one LABELSST or NUMBER record a cell, each laid
    // straight into the piece (a row's records at most past its nominal size).
    bool writeCellRecords(const std::function<bool(std::string_view)>& sink) const {
        constexpr std::size_t kNumberRecordBytes = 18, kTextRecordBytes = 14;
        std::string piece(kPieceBytes + kMaxColumns * kNumberRecordBytes, '\0');
        char* const start = piece.data();
        char* put = start;
        std::uint32_t begin = 0;
        for (std::uint32_t row = 0; row < rowEnds.size(); ++row) {
            for (std::uint32_t at = begin; at < rowEnds[row]; ++at) {
                const std::uint32_t value = cells[at];
                if (value == kEmptyCell) continue;
                const auto column = static_cast<std::uint16_t>(at - begin);
                putLittleEndian(put + 4, static_cast<std::uint16_t>(row));
                putLittleEndian(put + 6, column);
                if ((value & kNumberCell) == 0) {
                    putLittleEndian(put, record::kLabelSst);
                    putLittleEndian(put + 2, static_cast<std::uint16_t>(kTextRecordBytes - 4));
                    putLittleEndian(put + 8, kTextCellXf);
                    putLittleEndian(put + 10, value);
                    put += kTextRecordBytes;
                } else {
                    std::uint64_t bits = 0;
                    std::memcpy(&bits, &numbers[value & ~kNumberCell], sizeof bits);
                    putLittleEndian(put, record::kNumber);
                    putLittleEndian(put + 2, static_cast<std::uint16_t>(kNumberRecordBytes - 4));
                    putLittleEndian(put + 8, kNumberCellXf);
                    putLittleEndian(put + 10, bits);
                    put += kNumberRecordBytes;
                }
            }
            begin = rowEnds[row];
            if (static_cast<std::size_t>(put - start) >= kPieceBytes) {
                if (!sink(std::string_view(start, static_cast<std::size_t>(put - start)))) return false;
                put = start;
            }
        }
        return put == start || sink(std::string_view(start, static_cast<std::size_t>(put - start)));
    }
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

    // With the row count known, the cells grow in one block, not by doubling (up to a size that
    // sparse wide sheets would not fill).
    cells->cells.reserve(
        std::min<std::size_t>((rows.rowCountHint() + 1) * headers.size(), kMaxColumns << 16));
    cells->rowEnds.reserve(std::min<std::size_t>(rows.rowCountHint() + 1, kMaxDataRows + 1));
    std::vector<std::string_view> row(headers.begin(), headers.end());
    if (error == WriteError::None) error = cells->addRow(row, nullptr);
    for (std::uint32_t r = 1; error == WriteError::None && rows.nextRowView(row); ++r) {
        error = r > kMaxDataRows ? WriteError::TooManyRows : cells->addRow(row, &rows);
    }
    if (error != WriteError::None) return std::nullopt;
    cells->strings.close();
    return WorkbookDraft(std::move(cells));
}

bool WorkbookDraft::write(const std::function<bool(std::string_view)>& sink) const {
    const Cells& cells = *m_cells;
    std::size_t sheetPosition = 0;
    RecordStream globals = globalsHead(cells.sheetUnits, sheetPosition);
    const std::size_t stringsAt = globals.size();
    RecordStream eof;
    eof.record(record::kEof, Bytes());
    const std::size_t sheetAt = stringsAt + cells.strings.recordsSize() + eof.size();
    globals.patch32(sheetPosition, static_cast<std::uint32_t>(sheetAt));

    RecordStream sheetHead;
    sheetHead.record(record::kBof, bof(0x0010));
    sheetHead.record(record::kDimensions, dimensionsOf(cells.used));
    RecordStream sheetTail;
    sheetTail.record(record::kWindow2,
                     Bytes().u16(0x06B6).u16(0).u16(0).u16(0x40).u16(0).u16(0).u16(0).u32(0));
    sheetTail.record(record::kEof, Bytes());

    std::size_t written = 0;
    const auto counted = [&sink, &written](std::string_view piece) {
        written += piece.size();
        return sink(piece);
    };
    if (!counted(globals.str()) || !cells.strings.write(stringsAt, counted) || !counted(eof.str()) ||
        !counted(sheetHead.str()) || !cells.writeCellRecords(counted) || !counted(sheetTail.str()))
        return false;
    // Padding keeps the stream out of the compound file's small-block area; readers stop at EOF.
    return written >= kMinimumStreamSize || sink(std::string(kMinimumStreamSize - written, '\0'));
}

std::string WorkbookDraft::finish() && {
    std::string stream;
    write([&stream](std::string_view piece) {
        stream.append(piece);
        return true;
    });
    m_cells.reset();
    return stream;
}

std::optional<std::string> buildWorkbookStream(const std::vector<text::Text>& headers, RowSource& rows,
                                               std::string_view sheetName, WriteError& error) {
    std::optional<WorkbookDraft> draft = WorkbookDraft::gather(headers, rows, sheetName, error);
    if (!draft) return std::nullopt;
    return std::move(*draft).finish();
}

namespace {

// Hands a Workbook stream to its sink piece by piece; false when the sink refused one.
using Pieces = std::function<bool(const std::function<bool(std::string_view)>&)>;

// Puts the stream into a compound document written to `sink`, and lets go of the sink. libgsf writes
// each piece on to the file as it comes, so the stream is never held whole.
WriteError writePiecesInto(GsfOutput* sink, const Pieces& pieces) {
    GsfOutfile* container = gsf_outfile_msole_new(sink);
    g_object_unref(sink);
    if (container == nullptr) return WriteError::CannotWrite;
    GsfOutput* workbook = gsf_outfile_new_child(container, "Workbook", FALSE);
    bool written =
        workbook != nullptr && pieces([workbook](std::string_view piece) {
            return piece.empty() ||
                   gsf_output_write(workbook, piece.size(), reinterpret_cast<const guint8*>(piece.data()));
        });
    if (workbook != nullptr) {
        written = gsf_output_close(workbook) && written;
        g_object_unref(workbook);
    }
    written = gsf_output_close(GSF_OUTPUT(container)) && written;
    g_object_unref(container);
    return written ? WriteError::None : WriteError::CannotWrite;
}

WriteError writePiecesTo(const std::string& path, const Pieces& pieces) {
    sheet::initialiseGsf();
    GError* gerror = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &gerror);
    g_clear_error(&gerror);
    if (sink == nullptr) return WriteError::CannotWrite;
    return writePiecesInto(sink, pieces);
}

WriteError writePiecesTo(std::FILE* file, const Pieces& pieces) {
    sheet::initialiseGsf();
    GsfOutput* sink = gsf_output_stdio_new_FILE("workbook", file, TRUE);
    if (sink == nullptr) return WriteError::CannotWrite;
    const WriteError error = writePiecesInto(sink, pieces);
    return error == WriteError::None && std::fflush(file) != 0 ? WriteError::CannotWrite : error;
}

Pieces piecesOf(std::string_view stream) {
    return [stream](const std::function<bool(std::string_view)>& sink) { return sink(stream); };
}

Pieces piecesOf(const WorkbookDraft& draft) {
    return [&draft](const std::function<bool(std::string_view)>& sink) { return draft.write(sink); };
}

}  // namespace

WriteError writeWorkbook(const std::string& path, const std::vector<text::Text>& headers, RowSource& rows,
                         std::string_view sheetName) {
    WriteError error = WriteError::None;
    const std::optional<WorkbookDraft> draft = WorkbookDraft::gather(headers, rows, sheetName, error);
    if (!draft) return error;
    return writePiecesTo(path, piecesOf(*draft));
}

WriteError writeWorkbookStream(const std::string& path, std::string_view stream) {
    return writePiecesTo(path, piecesOf(stream));
}

WriteError writeWorkbookStream(std::FILE* file, std::string_view stream) {
    return writePiecesTo(file, piecesOf(stream));
}

WriteError writeWorkbookDraft(std::FILE* file, const WorkbookDraft& draft) {
    return writePiecesTo(file, piecesOf(draft));
}

}  // namespace velmora::xls
