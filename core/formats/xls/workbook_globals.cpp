// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the workbook globals substream.
#include "xls/workbook_globals.h"

#include <tuple>
#include <unordered_map>

#include "sheet/number_formats.h"
#include "text/encoding.h"

namespace velmora::xls {
namespace {
using namespace biff;

// The parts of the globals that need the code page, which may come later, to be decoded.
struct PendingGlobals {
    std::vector<std::uint16_t> xfFormats;
    // BIFF5: id, count, bytes to the end (code page 1200 may count characters of two bytes each)
    std::vector<std::tuple<std::uint16_t, std::size_t, std::string>> rawFormats;
    std::vector<std::pair<std::size_t, std::string>> rawSheetNames;  // BIFF5: count, bytes to the end
    std::unordered_map<std::uint16_t, bool> formatIsDate;
    std::unordered_map<std::uint16_t, int> formatTextDate;  // index into textDateFormats
};

void classifyFormat(std::uint16_t id, const text::Text& format, WorkbookGlobals& globals,
                    PendingGlobals& pending) {
    pending.formatIsDate[id] = sheet::isDateFormatString(format);
    if (auto textDate = sheet::TextDateFormat::parse(format)) {
        pending.formatTextDate[id] = static_cast<int>(globals.textDateFormats.size());
        globals.textDateFormats.push_back(std::move(*textDate));
    }
}

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

bool readFormat(const Record& record, int biffVersion, WorkbookGlobals& globals, PendingGlobals& pending) {
    if (record.data.size() < 3) return false;
    const std::uint16_t id = u16At(record.data, 0);
    SegmentReader reader(record.data);
    if (biffVersion == 5) {
        std::string raw;
        reader.seekInFirst(3);
        if (reader.bytesLeft() < record.data[2] || !reader.bytes(reader.bytesLeft(), raw)) return false;
        pending.rawFormats.emplace_back(id, record.data[2], std::move(raw));
        return true;
    }
    std::uint16_t count = 0;
    std::u16string units;
    reader.seekInFirst(2);
    if (!reader.u16(count) || !readUnicodeBody(reader, count, units)) return false;
    classifyFormat(id, gbkFromUnits(units), globals, pending);
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
        for (const auto& [id, count, raw] : pending.rawFormats) {
            SegmentReader reader(Bytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()));
            text::Text format;
            globals.codePage.read(reader, count, format);
            classifyFormat(id, format, globals, pending);
        }
    }
    globals.dateXfs.reserve(pending.xfFormats.size());
    for (const std::uint16_t format : pending.xfFormats) {
        const auto defined = pending.formatIsDate.find(format);
        globals.dateXfs.push_back(defined != pending.formatIsDate.end() ? defined->second
                                                                        : sheet::isBuiltInDateFormat(format));
        const auto textDate = pending.formatTextDate.find(format);
        globals.textDateXfs.push_back(textDate != pending.formatTextDate.end() ? textDate->second : -1);
    }
}

SheetKind sheetKindOfBof(std::uint16_t type) {
    switch (type) {
        case kBofWorksheet:
            return SheetKind::Worksheet;
        case kBofChart:
            return SheetKind::Chart;
        case kBofMacro:
            return SheetKind::Macro;
        default:
            return SheetKind::Other;
    }
}

// Reads the first BOF and settles the BIFF version.
bool readFirstBof(RecordReader& records, WorkbookGlobals& globals, std::uint16_t& type,
                  failure::Reason& error) {
    Record bof;
    if (records.next(bof) != RecordReader::Step::Record || !isBof(bof.id) || bof.data.size() < 4) {
        error = failure::Reason::WorkbookDamaged;
        return false;
    }
    type = u16At(bof.data, 2);
    switch (bof.id) {
        case kBofBiff2:
            globals.biffVersion = 2;
            return true;
        case kBofBiff3:
            globals.biffVersion = 3;
            return true;
        case kBofBiff4:
            globals.biffVersion = 4;
            return true;
        default:
            break;
    }
    const std::uint16_t version = u16At(bof.data, 0);
    // Some writers put a lone worksheet under the later BOF id with no version of its own. Other
    // readers take it as a sheet of byte strings, like the plain-stream files before BIFF5.
    if (version != 0x0600 && version != 0x0500 && type == kBofWorksheet) {
        globals.biffVersion = 4;
        return true;
    }
    if ((version != 0x0600 && version != 0x0500) || type != kBofGlobals) {
        error = failure::Reason::UnsupportedVersion;
        return false;
    }
    globals.biffVersion = version == 0x0600 ? 8 : 5;
    return true;
}

// A BIFF2-4 file is a single sheet whose substream is the whole stream, or (BIFF4) a workbook whose
// substream holds each sheet's substream behind a header naming it. Code page, date system and the
// sheets are found at any depth; formats and XFs belong to each sheet and are read with its cells.
std::optional<WorkbookGlobals> readOldGlobals(Bytes stream, std::uint16_t bofType, WorkbookGlobals globals,
                                              failure::Reason& error) {
    std::vector<std::string> rawNames;
    if (bofType != kBofWorkbookBiff4) {
        globals.sheets.push_back({{"Sheet1", sheetKindOfBof(bofType), false}, 0});
    }
    bool codePageSeen = false;
    RecordReader records(stream, 0);
    Record record;
    int depth = 0;
    while (records.next(record) == RecordReader::Step::Record) {
        if (isBof(record.id)) {
            ++depth;
        } else if (record.id == kEof) {
            if (--depth == 0) break;
        }
        switch (record.id) {
            case kFilePass:
                error = failure::Reason::WorkbookEncrypted;
                return std::nullopt;
            case kCodePage:
                if (!codePageSeen && record.data.size() >= 2)
                    globals.codePage.codePage = u16At(record.data, 0);
                codePageSeen = true;
                break;
            case kDateMode:
                globals.uses1904 = record.data.size() >= 2 && u16At(record.data, 0) == 1;
                break;
            case kSheetHeader: {
                if (bofType != kBofWorkbookBiff4 || record.data.size() < 5) break;
                const std::size_t at = records.position();
                std::uint16_t next = 0;
                if (!records.peekId(next) || !isBof(next) || stream.size() - at < 8) break;
                const std::size_t length = std::min<std::size_t>(record.data[4], record.data.size() - 5);
                rawNames.emplace_back(reinterpret_cast<const char*>(record.data.data()) + 5, length);
                globals.sheets.push_back(
                    {{{}, sheetKindOfBof(u16At(stream, at + 6)), false}, static_cast<std::uint32_t>(at)});
                break;
            }
            default:
                break;
        }
    }
    for (std::size_t i = 0; i < rawNames.size(); ++i) {
        globals.sheets[i].entry.name = text::gbkFromCodePage(rawNames[i], globals.codePage.codePage);
    }
    if (globals.sheets.empty()) {
        error = failure::Reason::WorkbookDamaged;
        return std::nullopt;
    }
    error = failure::Reason::None;
    return globals;
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

std::optional<WorkbookGlobals> readWorkbookGlobals(Bytes stream, failure::Reason& error, Place* fault) {
    Place ignored;
    Place& where = fault ? *fault : ignored;
    WorkbookGlobals globals;
    PendingGlobals pending;
    RecordReader records(stream, 0);
    std::uint16_t bofType = 0;
    if (!readFirstBof(records, globals, bofType, error)) {
        if (error == failure::Reason::WorkbookDamaged) where.what = Place::What::StreamStart;
        return std::nullopt;
    }
    if (globals.biffVersion <= 4) {
        auto old = readOldGlobals(stream, bofType, std::move(globals), error);
        if (!old && error == failure::Reason::WorkbookDamaged) where.what = Place::What::SheetDirectory;
        return old;
    }
    int unreadableSheets = 0;
    Record record;
    for (;;) {
        const RecordReader::Step step = records.next(record);
        if (step == RecordReader::Step::End) break;
        if (step == RecordReader::Step::Truncated) {
            where.what = Place::What::CutShort;
            error = failure::Reason::WorkbookDamaged;
            return std::nullopt;
        }
        if (record.id == kEof) break;
        switch (record.id) {
            case kFilePass:
                error = failure::Reason::WorkbookEncrypted;
                return std::nullopt;
            case kCodePage:
                if (record.data.size() >= 2) globals.codePage.codePage = u16At(record.data, 0);
                break;
            case kDateMode:
                globals.uses1904 = record.data.size() >= 2 && u16At(record.data, 0) == 1;
                break;
            case kXf:
                // A short XF still takes its place, or every XF after it would take another's format.
                pending.xfFormats.push_back(record.data.size() >= 4 ? u16At(record.data, 2) : 0);
                break;
            case kFormat:
                // Real writers leave malformed FORMAT records behind; the cells using one read as
                // numbers, as other readers show them.
                readFormat(record, globals.biffVersion, globals, pending);
                break;
            case kBoundSheet:
                // A sheet entry that cannot be read loses that sheet only.
                if (!readBoundSheet(record, globals.biffVersion, globals, pending)) ++unreadableSheets;
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
    }
    if (globals.sheets.empty() && unreadableSheets > 0) {
        where.what = Place::What::SheetDirectory;
        error = failure::Reason::WorkbookDamaged;
        return std::nullopt;
    }
    finish(globals, pending);
    error = failure::Reason::None;
    return globals;
}

}  // namespace velmora::xls
