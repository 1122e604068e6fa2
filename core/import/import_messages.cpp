// SPDX-License-Identifier: GPL-3.0-or-later
// The messages for workbooks an import cannot read.
#include "import/table_import.h"
#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::import {

Text columnSpecTooLongMessage(TableKind kind, std::size_t entries) {
    const Text& key =
        kind == TableKind::Register ? phrases::register1ColumnsKey() : phrases::source2ColumnsKey();
    return text::join(phrases::columnSpecTooLongBefore(), key, phrases::columnSpecTooLongMiddle(),
                      std::to_string(entries), phrases::columnSpecTooLongAfter());
}

Text missingColumnsNotice(TableKind kind, const ColumnList& columns, int fieldCount) {
    const Text& key =
        kind == TableKind::Register ? phrases::register1ColumnsKey() : phrases::source2ColumnsKey();
    if (columns.entries.empty())
        return text::join(phrases::columnsEmptyBefore(), key, phrases::columnsEmptyAfter());
    Text missing;
    for (std::size_t i = 0; i < columns.entries.size(); ++i) {
        const Text& entry = columns.entries[i];
        const int value = columns.columns[i];
        if (value >= 1 && value <= fieldCount) continue;
        if (!missing.empty()) missing += phrases::importSheetListSeparator();
        missing += entry.empty() ? phrases::columnEntryEmpty() : entry;
    }
    if (missing.empty()) return {};
    return text::join(phrases::columnsMissingBefore(), key, phrases::columnsMissingMiddle(), missing,
                      phrases::columnsMissingAfter(), std::to_string(fieldCount),
                      phrases::columnsMissingEnd());
}

Text importFailureMessage(ReaderStatus status, const std::string& path, const Text& sheetName,
                          const std::vector<Text>& availableSheets, const sheet::Fault& fault,
                          const failure::Failure& cause) {
    const Text file = text::gbkFromUtf8(path);
    const Text place = fault.describe();
    switch (status) {
        case ReaderStatus::Ok:
            return {};
        case ReaderStatus::CannotOpen: {
            Text message = text::join(phrases::importCannotOpen(), file);
            if (cause.failed()) message += text::gbkFromUtf8("（") + cause.describe() + text::gbkFromUtf8("）");
            return message;
        }
        case ReaderStatus::NotAFile:
            return text::join(phrases::importNotAFile(), file);
        case ReaderStatus::NotWorkbook:
            return text::join(phrases::importNotWorkbook(), file);
        case ReaderStatus::Damaged:
            if (!place.empty())
                return text::join(phrases::importDamagedBefore(), place, phrases::importDamagedAfter(), file);
            return text::join(phrases::importDamaged(), file);
        case ReaderStatus::Encrypted:
            return text::join(phrases::importEncrypted(), file);
        case ReaderStatus::TooLarge:
            if (!place.empty())
                return text::join(phrases::importTooLargeBefore(), place, phrases::importTooLargeAfter(), file);
            return text::join(phrases::importTooLarge(), file);
        case ReaderStatus::OutOfMemory:
            return text::join(phrases::importOutOfMemory(), file);
        case ReaderStatus::TooManyColumns:  // not a file's fault: see columnSpecTooLongMessage
        case ReaderStatus::SheetNotFound:
            break;
    }
    // Quoting each name shows the clerk a stray blank or "$" typed into the setting.
    Text message = text::join(phrases::importSheetMissingBefore(), sheetName,
                              phrases::importSheetMissingAfter(), file, phrases::importSheetsHeld());
    if (availableSheets.empty()) message += phrases::importNoSheets();
    for (std::size_t index = 0; index < availableSheets.size(); ++index) {
        if (index > 0) message += phrases::importSheetListSeparator();
        message += text::join(phrases::importSheetNameOpen(), availableSheets[index],
                              phrases::importSheetNameClose());
    }
    return message;
}

}  // namespace velmora::import
