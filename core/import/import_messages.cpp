// SPDX-License-Identifier: GPL-3.0-or-later
// The import's own messages: a column list refused, columns missing, a worksheet not found. A file that
// cannot be read is told by its failure's describe().
#include "import/table_import.h"
#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::import {
namespace {

// The settings key of the table's column list, which the messages name so the clerk knows what to fix.
const Text& columnsKeyOf(TableKind kind) {
    return settings::keyOf(kind == TableKind::Register ? settings::SettingId::RegisterColumns
                                                       : settings::SettingId::SourceColumns);
}

}  // namespace

Text columnSpecTooLongMessage(TableKind kind, std::size_t entries) {
    return text::join(phrases::columnSpecTooLongBefore(), columnsKeyOf(kind),
                      phrases::columnSpecTooLongMiddle(), std::to_string(entries),
                      phrases::columnSpecTooLongAfter());
}

Text missingColumnsNotice(TableKind kind, const ColumnList& columns, int fieldCount) {
    const Text& key = columnsKeyOf(kind);
    if (columns.entries.empty())
        return text::join(phrases::columnsEmptyBefore(), key, phrases::columnsEmptyAfter());
    Text missing;
    for (std::size_t i = 0; i < columns.entries.size(); ++i) {
        const Text& entry = columns.entries[i];
        if (namesColumn(columns.columns[i], fieldCount)) continue;
        if (!missing.empty()) missing += phrases::importSheetListSeparator();
        missing += entry.empty() ? phrases::columnEntryEmpty() : entry;
    }
    if (missing.empty()) return {};
    return text::join(phrases::columnsMissingBefore(), key, phrases::columnsMissingMiddle(), missing,
                      phrases::columnsMissingAfter(), std::to_string(fieldCount),
                      phrases::columnsMissingEnd());
}

Text sheetMissingMessage(const text::FilePath& path, const Text& sheetName,
                         const std::vector<Text>& availableSheets) {
    // Quoting each name shows the clerk a stray blank or "$" typed into the setting.
    Text message =
        text::join(phrases::importSheetMissingBefore(), sheetName, phrases::importSheetMissingAfter(),
                   text::gbkFromPath(path), phrases::importSheetsHeld());
    if (availableSheets.empty()) message += phrases::importNoSheets();
    for (std::size_t index = 0; index < availableSheets.size(); ++index) {
        if (index > 0) message += phrases::importSheetListSeparator();
        message += text::join(phrases::importSheetNameOpen(), availableSheets[index],
                              phrases::importSheetNameClose());
    }
    return message;
}

}  // namespace velmora::import
