// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the cells of one worksheet substream.
#include "xls/sheet_reader.h"

#include "sheet/number_formats.h"
#include "text/encoding.h"

namespace velmora::xls {
namespace {
using namespace biff;

// Formats and XFs of a BIFF2-4 sheet, which each sheet substream holds for itself.
struct OldFormats {
    std::vector<bool> formatIsDate;  // by format index: formats are numbered in the order they come
    std::vector<std::uint16_t> xfFormats;
    std::uint16_t ixfe = 0;

    bool isDateFormat(std::size_t format) const {
        return format < formatIsDate.size() ? formatIsDate[format]
                                            : sheet::isBuiltInDateFormat(static_cast<int>(format));
    }
    bool isDateXf(std::size_t xf) const { return xf < xfFormats.size() && isDateFormat(xfFormats[xf]); }
};

// Turns cell records into cells of a sheet. Every method returns false on a record it cannot trust.
class SheetBuilder {
public:
    SheetBuilder(RecordReader& records, const WorkbookGlobals& globals)
        : m_records(records), m_globals(globals) {}

    bool take(const Record& record);
    // Where a record take() refused is at fault: its kind and, where it names one, its row.
    Place faultOf(const Record& record) const {
        Place fault;
        const bool sharedString = record.id == kLabelSst && record.data.size() >= 10;
        fault.what = sharedString ? Place::What::SharedStringIndex : Place::What::CellRecord;
        fault.record = record.id;
        if (record.id == kString || record.id == kStringBiff2) {
            // A formula's text: the row is the formula's.
            if (m_pendingString) fault.row = m_pendingRow + 1;
        } else if (record.data.size() >= 2) {
            fault.row = u16At(record.data, 0) + 1;
        }
        return fault;
    }
    // Ends the sheet: a formula still waiting for its text keeps an empty one.
    Sheet finish() {
        flushPendingString();
        return std::move(m_sheet);
    }

private:
    std::optional<bool> takeBiff2(const Record& record);
    bool takeOldFormatting(const Record& record);
    bool labelSst(const Record& record);
    bool label(const Record& record, std::size_t textAt, bool byteCount);
    void boolErr(const Record& record, std::size_t valueAt);
    // `xf`: the cell's XF index; none for BIFF2's attribute bytes.
    void formula(const Record& record, std::size_t resultAt, std::optional<std::uint16_t> xf);
    bool string(const Record& record, bool byteCount);

    // The record and the CONTINUE records after it, for strings that may be split.
    SegmentReader withContinues(const Record& record);
    bool readText(SegmentReader& reader, bool byteCount, text::Text& out);
    bool isDateXf(std::uint16_t xf) const {
        return m_globals.biffVersion <= 4 ? m_old.isDateXf(xf) : m_globals.isDateXf(xf);
    }
    // Whether a BIFF2 cell shows a date: its attribute bytes name an XF or, in files without XF
    // records, the format itself.
    bool isDateBiff2(const Record& record) const {
        const unsigned xf = record.data[4] & 0x3Fu;
        if (m_globals.biffVersion >= 5) return m_globals.isDateXf(xf == 0x3F ? m_old.ixfe : xf);
        if (m_old.xfFormats.empty()) return m_old.isDateFormat(record.data[5] & 0x3Fu);
        return m_old.isDateXf(xf == 0x3F ? m_old.ixfe : xf);
    }
    void setNumber(const Record& record, bool isDate, double value) {
        flushPendingString();
        m_sheet.setCell(u16At(record.data, 0), u16At(record.data, 2),
                        CellView{isDate ? CellKind::DateTime : CellKind::Number, value, {}, 0});
    }
    // A number under the cell's XF: a date, a weekday or year shown as text, or a plain number.
    void putNumber(int row, int column, std::uint16_t xf, double value) {
        if (const sheet::TextDateFormat* textDate =
                m_globals.biffVersion >= 5 ? m_globals.textDateOf(xf) : nullptr) {
            if (const auto shown = textDate->format(value, m_globals.uses1904)) {
                m_sheet.setCell(row, column, CellView{CellKind::Text, 0, *shown, 0});
                return;
            }
        }
        m_sheet.setCell(row, column,
                        CellView{isDateXf(xf) ? CellKind::DateTime : CellKind::Number, value, {}, 0});
    }
    void setNumberOfXf(const Record& record, std::uint16_t xf, double value) {
        flushPendingString();
        putNumber(u16At(record.data, 0), u16At(record.data, 2), xf, value);
    }
    void flushPendingString() {
        if (m_pendingString)
            m_sheet.setCell(m_pendingRow, m_pendingColumn, CellView{CellKind::Text, 0, {}, 0});
        m_pendingString = false;
    }

    RecordReader& m_records;
    const WorkbookGlobals& m_globals;
    Sheet m_sheet;
    OldFormats m_old;
    bool m_pendingString = false;
    std::uint16_t m_pendingRow = 0;
    std::uint16_t m_pendingColumn = 0;
    std::u16string m_units;
    // Per shared string: where this sheet keeps its text once it is used (length ~0u: not yet).
    std::vector<Sheet::KeptText> m_keptShared;
};

bool SheetBuilder::take(const Record& record) {
    if (m_globals.biffVersion <= 4 && takeOldFormatting(record)) return true;
    if (const std::optional<bool> taken = takeBiff2(record)) return *taken;
    const std::size_t size = record.data.size();
    switch (record.id) {
        case kNumber:
            if (size < 14) return false;
            setNumberOfXf(record, u16At(record.data, 4), f64At(record.data, 6));
            return true;
        case kRk:
            if (size < 10) return false;
            setNumberOfXf(record, u16At(record.data, 4), decodeRk(u32At(record.data, 6)));
            return true;
        case kMulRk: {
            if (size < 6) return false;
            flushPendingString();
            // The last two bytes repeat the last column; the count follows from the length.
            const std::size_t count = (size - 6) / 6;
            const std::uint16_t row = u16At(record.data, 0);
            const std::size_t first = u16At(record.data, 2);
            for (std::size_t i = 0; i < count; ++i) {
                const std::size_t at = 4 + 6 * i;
                putNumber(row, static_cast<int>(std::min<std::size_t>(first + i, 0xFFFF)),
                          u16At(record.data, at), decodeRk(u32At(record.data, at + 2)));
            }
            return true;
        }
        case kLabelSst:
            return size >= 10 && labelSst(record);
        case kLabel:
        case kRString:
            return size >= 8 && label(record, 6, false);
        case kBoolErr:
            if (size < 8) return false;
            boolErr(record, 6);
            return true;
        // The BIFF3 and BIFF4 ids of FORMULA share its layout, and some writers still use them in
        // later versions; other readers take them as formulas, so must we, or a figure is lost.
        case kFormula:
        case kFormulaBiff3:
        case kFormulaBiff4:
            if (size < 14) return false;
            formula(record, 6, u16At(record.data, 4));
            return true;
        case kString:
            return string(record, false);
        case kBlank:
        case kMulBlank:
            flushPendingString();
            return true;
        default:
            return true;  // SHRFMLA, ARRAY, TABLE and the rest hold no cell value
    }
}

// FORMAT and XF records of BIFF2, BIFF3 and BIFF4 sheets; true when the record was one of them.
bool SheetBuilder::takeOldFormatting(const Record& record) {
    const std::size_t size = record.data.size();
    switch (record.id) {
        case kFormatBiff2:
        case kFormat: {
            // BIFF4 puts two unused bytes before the text; a record too short for its text still
            // takes its place in the numbering.
            const std::size_t at = record.id == kFormat ? 2 : 0;
            std::string raw;
            if (size > at) {
                const std::size_t length = std::min<std::size_t>(record.data[at], size - at - 1);
                raw.assign(reinterpret_cast<const char*>(record.data.data()) + at + 1, length);
            }
            m_old.formatIsDate.push_back(
                sheet::isDateFormatString(text::gbkFromCodePage(raw, m_globals.codePage.codePage)));
            return true;
        }
        case kXfBiff3:
        case kXfBiff4:
        case kXfBiff2:
            if (record.id == kXfBiff2) {
                m_old.xfFormats.push_back(size >= 3 ? record.data[2] & 0x3Fu : 0);
            } else {
                m_old.xfFormats.push_back(size >= 2 ? record.data[1] : 0);
            }
            return true;
        default:
            return false;
    }
}

// BIFF2 cells: three attribute bytes after row and column, so values start at byte 7. Writers mix
// them with the later cell records in sheets of any version, and other readers take both kinds
// wherever they stand, or a row is silently lost. Only FORMULA shares its id with the later layout,
// which a BIFF2 sheet alone uses. Nullopt when the record is none of these; otherwise whether it
// could be trusted.
std::optional<bool> SheetBuilder::takeBiff2(const Record& record) {
    if (record.id == kFormula && m_globals.biffVersion != 2) return std::nullopt;
    const std::size_t size = record.data.size();
    // Before BIFF8 a BIFF2 text has a one-byte length and code-page bytes; BIFF8 gives it its own
    // two-byte length and Unicode form.
    const bool byteCount = m_globals.biffVersion < 8;
    // Outside BIFF2 sheets a record too short for its layout was always passed over; it still is.
    const bool fits = [&] {
        switch (record.id) {
            case kIntegerBiff2:
            case kBoolErrBiff2:
                return size >= 9;
            case kNumberBiff2:
            case kFormula:
                return size >= 15;
            case kLabelBiff2:
                return size >= 8;
            default:
                return true;
        }
    }();
    if (!fits) return m_globals.biffVersion != 2;
    switch (record.id) {
        case kIxfeBiff2:
            if (size >= 2) m_old.ixfe = u16At(record.data, 0);
            return true;
        case kIntegerBiff2:
            setNumber(record, isDateBiff2(record), u16At(record.data, 7));
            return true;
        case kNumberBiff2:
            setNumber(record, isDateBiff2(record), f64At(record.data, 7));
            return true;
        case kLabelBiff2:
            return label(record, 7, byteCount);
        case kBoolErrBiff2:
            boolErr(record, 7);
            return true;
        case kFormula:
            formula(record, 7, std::nullopt);
            return true;
        case kStringBiff2:
            return string(record, byteCount);
        case kBlankBiff2:
            flushPendingString();
            return true;
        default:
            return std::nullopt;
    }
}

bool SheetBuilder::labelSst(const Record& record) {
    flushPendingString();
    const std::uint32_t index = u32At(record.data, 6);
    // An index past the table means the table lost strings: refuse rather than show blanks.
    if (index >= m_globals.sharedStrings.size()) return false;
    // The sheet keeps each shared text once however many cells show it, so what the sheet costs
    // follows from the file's size.
    if (m_keptShared.empty()) m_keptShared.assign(m_globals.sharedStrings.size(), Sheet::KeptText{0, ~0u});
    Sheet::KeptText& kept = m_keptShared[index];
    if (kept.length == ~0u) kept = m_sheet.keepText(m_globals.sharedStrings[index]);
    m_sheet.setTextCell(u16At(record.data, 0), u16At(record.data, 2), kept);
    return true;
}

// LABEL and RSTRING: the formatting runs after RSTRING's text are left unread.
bool SheetBuilder::label(const Record& record, std::size_t textAt, bool byteCount) {
    flushPendingString();
    SegmentReader reader = withContinues(record);
    reader.seekInFirst(textAt);
    text::Text value;
    if (!readText(reader, byteCount, value)) return false;
    m_sheet.setCell(u16At(record.data, 0), u16At(record.data, 2), CellView{CellKind::Text, 0, value, 0});
    return true;
}

void SheetBuilder::boolErr(const Record& record, std::size_t valueAt) {
    flushPendingString();
    const std::uint8_t value = record.data[valueAt];
    const CellView cell = record.data[valueAt + 1] ? CellView{CellKind::Error, 0, {}, value}
                                                   : CellView{CellKind::Boolean, value ? 1.0 : 0.0, {}, 0};
    m_sheet.setCell(u16At(record.data, 0), u16At(record.data, 2), cell);
}

void SheetBuilder::formula(const Record& record, std::size_t resultAt, std::optional<std::uint16_t> xf) {
    flushPendingString();
    const std::uint16_t row = u16At(record.data, 0);
    const std::uint16_t column = u16At(record.data, 2);
    if (u16At(record.data, resultAt + 6) != 0xFFFF) {
        if (xf) {
            setNumberOfXf(record, *xf, f64At(record.data, resultAt));
        } else {
            setNumber(record, isDateBiff2(record), f64At(record.data, resultAt));
        }
        return;
    }
    const std::uint8_t value = record.data[resultAt + 2];
    switch (record.data[resultAt]) {
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
}

bool SheetBuilder::string(const Record& record, bool byteCount) {
    SegmentReader reader = withContinues(record);
    if (!m_pendingString) return true;  // a STRING without a formula before it has no cell
    text::Text value;
    if (!readText(reader, byteCount, value)) return false;
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

// A text with its count: one byte in BIFF2 LABEL and STRING, two elsewhere.
bool SheetBuilder::readText(SegmentReader& reader, bool byteCount, text::Text& out) {
    std::uint16_t count = 0;
    if (byteCount) {
        std::uint8_t shortCount = 0;
        if (!reader.u8(shortCount)) return false;
        count = shortCount;
    } else if (!reader.u16(count)) {
        return false;
    }
    if (m_globals.biffVersion < 8) return m_globals.codePage.read(reader, count, out);
    // An empty text may come without its flags byte; other readers take it as empty, as it is.
    if (count == 0 && reader.atEnd()) {
        out.clear();
        return true;
    }
    if (!readUnicodeBody(reader, count, m_units)) return false;
    out = gbkFromUnits(m_units);
    return true;
}

bool fail(failure::Reason& error) {
    error = failure::Reason::WorkbookDamaged;
    return false;
}

// The substream type of a BOF record at `offset`, if one is there.
std::optional<std::uint16_t> bofTypeAt(Bytes stream, std::size_t offset) {
    RecordReader records(stream, offset);
    Record record;
    if (records.next(record) != RecordReader::Step::Record || !isBof(record.id) || record.data.size() < 4)
        return std::nullopt;
    return u16At(record.data, 2);
}

// Some writers give a sheet an offset a little beside its BOF. Other readers look for the BOF near it;
// the nearest worksheet BOF within this distance is taken, unless it is where another sheet starts.
constexpr std::size_t kBofSearchDistance = 256;

std::optional<std::size_t> worksheetBofNear(Bytes stream, std::size_t offset,
                                            const WorkbookGlobals& globals) {
    if (offset >= stream.size()) return std::nullopt;
    if (const auto type = bofTypeAt(stream, offset))
        return *type == kBofWorksheet ? std::optional<std::size_t>(offset) : std::nullopt;
    const auto isSheetStart = [&](std::size_t at) {
        if (bofTypeAt(stream, at) != kBofWorksheet) return false;
        for (const SheetPosition& sheet : globals.sheets) {
            if (sheet.offset == at) return false;
        }
        return true;
    };
    for (std::size_t distance = 1; distance <= kBofSearchDistance; ++distance) {
        if (offset >= distance && isSheetStart(offset - distance)) return offset - distance;
        if (offset + distance < stream.size() && isSheetStart(offset + distance)) return offset + distance;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Sheet> readSheetAt(Bytes stream, std::size_t offset, const WorkbookGlobals& globals,
                                 failure::Reason& error, Place* fault) {
    Place ignored;
    Place& where = fault ? *fault : ignored;
    const std::optional<std::size_t> bof = worksheetBofNear(stream, offset, globals);
    if (!bof) {
        where.what = Place::What::SheetStart;
        fail(error);
        return std::nullopt;
    }
    RecordReader records(stream, *bof);
    Record record;
    records.next(record);
    SheetBuilder builder(records, globals);
    int depth = 1;
    while (depth > 0) {
        if (records.next(record) != RecordReader::Step::Record) {
            // Cut off before its EOF: the cells read so far may not be all of them.
            where.what = Place::What::CutShort;
            fail(error);
            return std::nullopt;
        }
        if (isBof(record.id)) {
            ++depth;
        } else if (record.id == kEof) {
            --depth;
        } else if (depth == 1 && !builder.take(record)) {
            where = builder.faultOf(record);
            fail(error);
            return std::nullopt;
        }
    }
    error = failure::Reason::None;
    return builder.finish();
}

}  // namespace velmora::xls
