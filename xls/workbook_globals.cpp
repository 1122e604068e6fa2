// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the workbook globals substream.
#include "xls/workbook_globals.h"

#include <unordered_map>

#include "text/encoding.h"
#include "xls/number_formats.h"

namespace velmora::xls {
namespace {
using namespace biff;

// The parts of the globals that need the code page, which may come later, to be decoded.
struct PendingGlobals {
    std::vector<std::uint16_t> xfFormats;
    std::vector<std::pair<std::uint16_t, std::string>> rawFormats;   // BIFF5
    std::vector<std::pair<std::size_t, std::string>> rawSheetNames;  // BIFF5: count, bytes to the end
    std::unordered_map<std::uint16_t, bool> formatIsDate;
};

SheetKind sheetKindOf(std::uint8_t type) {
    switch (type) {
        case 0:
            return SheetKind::Worksheet;
        case 1:
            return SheetKind::Macro;
        case 2:
            return SheetKind::Chart;
        default:
            return SheetKind::Other;
    }
}

bool readFormat(const Record& record, int biffVersion, PendingGlobals& pending) {
    if (record.data.size() < 3) return false;
    const std::uint16_t id = u16At(record.data, 0);
    SegmentReader reader(record.data);
    if (biffVersion == 5) {
        std::string raw;
        reader.seekInFirst(3);
        if (!reader.bytes(record.data[2], raw)) return false;
        pending.rawFormats.emplace_back(id, std::move(raw));
        return true;
    }
    std::uint16_t count = 0;
    std::u16string units;
    reader.seekInFirst(2);
    if (!reader.u16(count) || !readUnicodeBody(reader, count, units)) return false;
    pending.formatIsDate[id] = isDateFormatString(gbkFromUnits(units));
    return true;
}

bool readBoundSheet(const Record& record, int biffVersion, WorkbookGlobals& globals,
                    PendingGlobals& pending) {
    if (record.data.size() < 7) return false;
    SheetPosition sheet;
    sheet.offset = u32At(record.data, 0);
    sheet.entry.hidden = (record.data[4] & 0x03u) != 0;
    sheet.entry.kind = sheetKindOf(record.data[5]);
    SegmentReader reader(record.data);
    reader.seekInFirst(7);
    const std::size_t count = record.data[6];
    if (biffVersion == 5) {
        std::string raw;
        if (!reader.bytes(reader.bytesLeft(), raw)) return false;
        pending.rawSheetNames.emplace_back(count, std::move(raw));
    } else {
        std::u16string units;
        if (!readUnicodeBody(reader, count, units)) return false;
        sheet.entry.name = gbkFromUnits(units);
    }
    globals.sheets.push_back(std::move(sheet));
    return true;
}

// Decodes what waited for the code page and marks the XFs whose format shows dates.
void finish(WorkbookGlobals& globals, PendingGlobals& pending) {
    if (globals.biffVersion == 5) {
        for (std::size_t i = 0; i < pending.rawSheetNames.size(); ++i) {
            const auto& [count, raw] = pending.rawSheetNames[i];
            SegmentReader reader(Bytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));
            // A name cut short keeps the characters that are there.
            globals.codePage.read(reader, std::min(count, raw.size()), globals.sheets[i].entry.name);
        }
        for (const auto& [id, raw] : pending.rawFormats) {
            pending.formatIsDate[id] =
                isDateFormatString(text::gbkFromCodePage(raw, globals.codePage.codePage));
        }
    }
    globals.dateXfs.reserve(pending.xfFormats.size());
    for (const std::uint16_t format : pending.xfFormats) {
        const auto defined = pending.formatIsDate.find(format);
        globals.dateXfs.push_back(defined != pending.formatIsDate.end() ? defined->second
                                                                        : isBuiltInDateFormat(format));
    }
}

// Reads the first BOF and settles the BIFF version.
bool readFirstBof(RecordReader& records, WorkbookGlobals& globals, OpenError& error) {
    Record bof;
    if (records.next(bof) != RecordReader::Step::Record) {
        error = OpenError::Damaged;
        return false;
    }
    if (bof.id == kBofBiff2 || bof.id == kBofBiff3 || bof.id == kBofBiff4) {
        error = OpenError::UnsupportedFormat;
        return false;
    }
    if (bof.id != kBof || bof.data.size() < 4) {
        error = OpenError::Damaged;
        return false;
    }
    const std::uint16_t version = u16At(bof.data, 0);
    if ((version != 0x0600 && version != 0x0500) || u16At(bof.data, 2) != kBofGlobals) {
        error = OpenError::UnsupportedFormat;
        return false;
    }
    globals.biffVersion = version == 0x0600 ? 8 : 5;
    return true;
}

}  // namespace

std::vector<text::Text> readSharedStrings(SegmentReader& reader) {
    std::vector<text::Text> strings;
    std::uint32_t total = 0;
    std::uint32_t unique = 0;
    if (!reader.u32(total) || !reader.u32(unique)) return strings;
    // Every string takes at least three bytes, so the data bounds the count whatever the record claims.
    strings.reserve(std::min<std::size_t>(unique, reader.bytesLeft() / 3));
    std::u16string units;
    for (std::uint32_t i = 0; i < unique && !reader.atEnd(); ++i) {
        std::uint16_t count = 0;
        if (!reader.u16(count) || !readUnicodeBody(reader, count, units)) break;
        strings.push_back(gbkFromUnits(units));
    }
    return strings;
}

std::optional<WorkbookGlobals> readWorkbookGlobals(Bytes stream, OpenError& error) {
    WorkbookGlobals globals;
    PendingGlobals pending;
    RecordReader records(stream, 0);
    if (!readFirstBof(records, globals, error)) return std::nullopt;
    Record record;
    for (;;) {
        const RecordReader::Step step = records.next(record);
        if (step == RecordReader::Step::End) break;
        if (step == RecordReader::Step::Truncated) {
            error = OpenError::Damaged;
            return std::nullopt;
        }
        if (record.id == kEof) break;
        bool sound = true;
        switch (record.id) {
            case kFilePass:
                error = OpenError::Encrypted;
                return std::nullopt;
            case kCodePage:
                if (record.data.size() >= 2) globals.codePage.codePage = u16At(record.data, 0);
                break;
            case kDateMode:
                globals.uses1904 = record.data.size() >= 2 && u16At(record.data, 0) == 1;
                break;
            case kXf:
                if (record.data.size() >= 4) pending.xfFormats.push_back(u16At(record.data, 2));
                break;
            case kFormat:
                sound = readFormat(record, globals.biffVersion, pending);
                break;
            case kBoundSheet:
                sound = readBoundSheet(record, globals.biffVersion, globals, pending);
                break;
            case kSst: {
                SegmentReader reader(record.data);
                std::uint16_t next = 0;
                while (records.peekId(next) && next == kContinue &&
                       records.next(record) == RecordReader::Step::Record) {
                    reader.addSegment(record.data);
                }
                if (globals.biffVersion == 8) globals.sharedStrings = readSharedStrings(reader);
                break;
            }
            default:
                break;
        }
        if (!sound) {
            error = OpenError::Damaged;
            return std::nullopt;
        }
    }
    finish(globals, pending);
    error = OpenError::None;
    return globals;
}

}  // namespace velmora::xls
