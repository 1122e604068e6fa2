// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the cells of one worksheet substream.
#include "xls/sheet_reader.h"

namespace velmora::xls {
namespace {
using namespace biff;

// A 14-byte LABELSST copies a shared string of up to 64 KB into its cell. Real sheets repeat short
// texts; a sheet that would copy far more than the file holds is refused as damaged instead of
// exhausting memory.
constexpr std::size_t kSharedTextPerByte = 16;
constexpr std::size_t kSharedTextFloor = std::size_t{1} << 20;

// Turns cell records into cells of a sheet. Every method returns false on a record it cannot trust.
class SheetBuilder {
public:
    SheetBuilder(RecordReader& records, const WorkbookGlobals& globals, std::size_t streamSize)
        : m_records(records),
          m_globals(globals),
          m_sharedTextBudget(kSharedTextPerByte * streamSize + kSharedTextFloor) {}

    bool take(const Record& record);
    // Ends the sheet: a formula still waiting for its text keeps an empty one.
    Sheet finish() {
        flushPendingString();
        return std::move(m_sheet);
    }

private:
    bool number(const Record& record);
    bool rk(const Record& record);
    bool mulRk(const Record& record);
    bool labelSst(const Record& record);
    bool label(const Record& record);
    bool boolErr(const Record& record);
    bool formula(const Record& record);
    bool string(const Record& record);

    // The record and the CONTINUE records after it, for strings that may be split.
    SegmentReader withContinues(const Record& record);
    bool readText(SegmentReader& reader, text::Text& out);
    void setNumber(std::uint16_t row, std::uint16_t column, std::uint16_t xf, double value) {
        m_sheet.setCell(
            row, column,
            CellView{m_globals.isDateXf(xf) ? CellKind::DateTime : CellKind::Number, value, {}, 0});
    }
    void flushPendingString() {
        if (m_pendingString)
            m_sheet.setCell(m_pendingRow, m_pendingColumn, CellView{CellKind::Text, 0, {}, 0});
        m_pendingString = false;
    }

    RecordReader& m_records;
    const WorkbookGlobals& m_globals;
    Sheet m_sheet;
    bool m_pendingString = false;
    std::uint16_t m_pendingRow = 0;
    std::uint16_t m_pendingColumn = 0;
    std::u16string m_units;
    std::size_t m_sharedTextBudget;
};

bool SheetBuilder::take(const Record& record) {
    const std::size_t size = record.data.size();
    switch (record.id) {
        case kNumber:
            return size >= 14 && number(record);
        case kRk:
            return size >= 10 && rk(record);
        case kMulRk:
            return size >= 6 && mulRk(record);
        case kLabelSst:
            return size >= 10 && labelSst(record);
        case kLabel:
            return size >= 8 && label(record);
        case kRString:
            return size >= 8 && label(record);
        case kBoolErr:
            return size >= 8 && boolErr(record);
        case kFormula:
            return size >= 14 && formula(record);
        case kString:
            return string(record);
        case kBlank:
        case kMulBlank:
            flushPendingString();
            return true;
        default:
            return true;  // SHRFMLA, ARRAY, TABLE and the rest hold no cell value
    }
}

bool SheetBuilder::number(const Record& record) {
    flushPendingString();
    setNumber(u16At(record.data, 0), u16At(record.data, 2), u16At(record.data, 4), f64At(record.data, 6));
    return true;
}

bool SheetBuilder::rk(const Record& record) {
    flushPendingString();
    setNumber(u16At(record.data, 0), u16At(record.data, 2), u16At(record.data, 4),
              decodeRk(u32At(record.data, 6)));
    return true;
}

bool SheetBuilder::mulRk(const Record& record) {
    flushPendingString();
    // The last two bytes repeat the last column; the count follows from the length.
    const std::size_t count = (record.data.size() - 6) / 6;
    const std::uint16_t row = u16At(record.data, 0);
    const std::size_t first = u16At(record.data, 2);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 4 + 6 * i;
        setNumber(row, static_cast<std::uint16_t>(std::min<std::size_t>(first + i, 0xFFFF)),
                  u16At(record.data, at), decodeRk(u32At(record.data, at + 2)));
    }
    return true;
}

bool SheetBuilder::labelSst(const Record& record) {
    flushPendingString();
    const std::uint32_t index = u32At(record.data, 6);
    // An index past the table means the table lost strings: refuse rather than show blanks.
    if (index >= m_globals.sharedStrings.size()) return false;
    const std::size_t length = m_globals.sharedStrings[index].size();
    if (length > m_sharedTextBudget) return false;
    m_sharedTextBudget -= length;
    m_sheet.setCell(u16At(record.data, 0), u16At(record.data, 2),
                    CellView{CellKind::Text, 0, m_globals.sharedStrings[index], 0});
    return true;
}

// LABEL and RSTRING: the formatting runs after RSTRING's text are left unread.
bool SheetBuilder::label(const Record& record) {
    flushPendingString();
    SegmentReader reader = withContinues(record);
    reader.seekInFirst(6);
    text::Text value;
    if (!readText(reader, value)) return false;
    m_sheet.setCell(u16At(record.data, 0), u16At(record.data, 2), CellView{CellKind::Text, 0, value, 0});
    return true;
}

bool SheetBuilder::boolErr(const Record& record) {
    flushPendingString();
    const std::uint8_t value = record.data[6];
    const CellView cell = record.data[7] ? CellView{CellKind::Error, 0, {}, value}
                                         : CellView{CellKind::Boolean, value ? 1.0 : 0.0, {}, 0};
    m_sheet.setCell(u16At(record.data, 0), u16At(record.data, 2), cell);
    return true;
}

bool SheetBuilder::formula(const Record& record) {
    flushPendingString();
    const std::uint16_t row = u16At(record.data, 0);
    const std::uint16_t column = u16At(record.data, 2);
    if (u16At(record.data, 12) != 0xFFFF) {
        setNumber(row, column, u16At(record.data, 4), f64At(record.data, 6));
        return true;
    }
    const std::uint8_t value = record.data[8];
    switch (record.data[6]) {
        case 0:  // text, in the STRING record that follows
            m_pendingString = true;
            m_pendingRow = row;
            m_pendingColumn = column;
            break;
        case 1:
            m_sheet.setCell(row, column, CellView{CellKind::Boolean, value ? 1.0 : 0.0, {}, 0});
            break;
        case 2:
            m_sheet.setCell(row, column, CellView{CellKind::Error, 0, {}, value});
            break;
        case 3:
            m_sheet.setCell(row, column, CellView{CellKind::Text, 0, {}, 0});
            break;
        default:
            break;  // no known result kind: the cell stays empty
    }
    return true;
}

bool SheetBuilder::string(const Record& record) {
    SegmentReader reader = withContinues(record);
    if (!m_pendingString) return true;  // a STRING without a formula before it has no cell
    text::Text value;
    if (!readText(reader, value)) return false;
    m_sheet.setCell(m_pendingRow, m_pendingColumn, CellView{CellKind::Text, 0, value, 0});
    m_pendingString = false;
    return true;
}

SegmentReader SheetBuilder::withContinues(const Record& record) {
    SegmentReader reader(record.data);
    std::uint16_t next = 0;
    Record piece;
    while (m_records.peekId(next) && next == kContinue &&
           m_records.next(piece) == RecordReader::Step::Record) {
        reader.addSegment(piece.data);
    }
    return reader;
}

bool SheetBuilder::readText(SegmentReader& reader, text::Text& out) {
    std::uint16_t count = 0;
    if (!reader.u16(count)) return false;
    if (m_globals.biffVersion == 5) return m_globals.codePage.read(reader, count, out);
    if (!readUnicodeBody(reader, count, m_units)) return false;
    out = gbkFromUnits(m_units);
    return true;
}

bool fail(OpenError& error) {
    error = OpenError::Damaged;
    return false;
}

}  // namespace

std::optional<Sheet> readSheetAt(Bytes stream, std::size_t offset, const WorkbookGlobals& globals,
                                 OpenError& error) {
    RecordReader records(stream, offset);
    Record record;
    if (records.next(record) != RecordReader::Step::Record || record.id != kBof || record.data.size() < 4 ||
        u16At(record.data, 2) != kBofWorksheet) {
        fail(error);
        return std::nullopt;
    }
    SheetBuilder builder(records, globals, stream.size());
    int depth = 1;
    while (depth > 0) {
        if (records.next(record) != RecordReader::Step::Record) {
            // Cut off before its EOF: the cells read so far may not be all of them.
            fail(error);
            return std::nullopt;
        }
        if (record.id == kBof) {
            ++depth;
        } else if (record.id == kEof) {
            --depth;
        } else if (depth == 1 && !builder.take(record)) {
            fail(error);
            return std::nullopt;
        }
    }
    error = OpenError::None;
    return builder.finish();
}

}  // namespace velmora::xls
