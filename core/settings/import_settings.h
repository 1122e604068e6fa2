// SPDX-License-Identifier: GPL-3.0-or-later
// The seven import settings and their home, vozuz.ini: their texts as the clerk types and saves them,
// and the values the import and the comparison take from those texts.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "failure/failure.h"
#include "text/file_path.h"
#include "text/phrases.h"
#include "text/rules.h"

namespace velmora::settings {

using text::Text;

enum class SettingId {
    RegisterSheet,
    RegisterColumns,
    RegisterStartRow,
    FillCount,
    SourceSheet,
    SourceColumns,
    SourceStartRow,
};

// How a setting's text is taken where it is used.
enum class SettingKind {
    SheetName,  // used exactly as typed
    Columns,    // a column list; its full-width commas become "," once the clerk is done with it
    StartRow,   // one-based, read by integer reading
    Count,      // a number of columns, read by integer reading
};

struct SettingKey {
    SettingId id;
    const Text& (*section)();
    const Text& (*key)();
    SettingKind kind;
    const char* defaultValue;  // what a missing key reads as
};

// Every setting in file order; loading, saving and the window's boxes all walk it in this order.
inline constexpr SettingKey kSettingKeys[] = {
    {SettingId::RegisterSheet, phrases::register1Section, phrases::register1SheetKey, SettingKind::SheetName,
     ""},
    {SettingId::RegisterColumns, phrases::register1Section, phrases::register1ColumnsKey,
     SettingKind::Columns, ""},
    {SettingId::RegisterStartRow, phrases::register1Section, phrases::register1StartRowKey,
     SettingKind::StartRow, ""},
    {SettingId::FillCount, phrases::register1Section, phrases::register1FillCountKey, SettingKind::Count, ""},
    {SettingId::SourceSheet, phrases::source2Section, phrases::source2SheetKey, SettingKind::SheetName, ""},
    {SettingId::SourceColumns, phrases::source2Section, phrases::source2ColumnsKey, SettingKind::Columns, ""},
    {SettingId::SourceStartRow, phrases::source2Section, phrases::source2StartRowKey, SettingKind::StartRow,
     ""},
};
inline constexpr std::size_t kSettingCount = std::size(kSettingKeys);

constexpr std::size_t indexOf(SettingId id) { return static_cast<std::size_t>(id); }

// The table is looked up by SettingId, so a row out of place is caught when the program is built.
constexpr bool keysInIdOrder() {
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        if (indexOf(kSettingKeys[i].id) != i) return false;
    }
    return true;
}
static_assert(keysInIdOrder());

constexpr const SettingKey& keyEntry(SettingId id) { return kSettingKeys[indexOf(id)]; }

// The settings' texts, indexed by SettingId.
using ImportSettings = std::array<Text, kSettingCount>;

inline Text& at(ImportSettings& settings, SettingId id) { return settings[indexOf(id)]; }
inline const Text& at(const ImportSettings& settings, SettingId id) { return settings[indexOf(id)]; }

// The section and key of a setting in vozuz.ini (GBK).
inline const Text& sectionOf(SettingId id) { return keyEntry(id).section(); }
inline const Text& keyOf(SettingId id) { return keyEntry(id).key(); }

// The settings file's name.
inline constexpr const char* kSettingsFileName = "vozuz.ini";

// Reads every setting from the file; a missing file, section or key gives the setting's default.
ImportSettings loadSettings(const text::FilePath& path);
// The same, saying in `why` why the file could not be read (its settings then read as defaults); a
// missing file is a failure too (fileio::isMissingFile), for callers that treat it apart. The file may be
// GBK, UTF-8 or UTF-16 (see file_encoding.h). A file read whole that holds none of the seven keys is
// NoSettings: some other program's file, not one with empty settings.
ImportSettings loadSettings(const text::FilePath& path, failure::Failure& why);

// Writes every setting into the file, keeping its other sections and keys and its encoding (a new file
// is GBK, readable by this account only); says why when it could not be written, in which case the old
// file is untouched.
failure::Failure saveSettings(const text::FilePath& path, const ImportSettings& settings);

// Replaces every full-width comma in a column spec by ",".
Text normaliseCommas(std::string_view columnSpec);
// A setting's text as the clerk leaves it: a column list loses its full-width commas, anything else
// stays as typed.
Text tidied(SettingId id, std::string_view value);
// Every setting tidied, as when the clerk has left each box.
void tidyAll(ImportSettings& settings);

// The most entries a column list can hold: one per column of the widest worksheet.
inline constexpr std::size_t kMostColumnEntries = 256;

// A column list as the import takes it: for each entry the one-based worksheet column it names (0 when
// it is not a number), and the entry as typed, for the messages that name it. A list of more entries
// than kMostColumnEntries can only be refused; it is counted and not held, so a pasted list of millions
// costs no text per entry.
struct ColumnList {
    std::size_t entryCount = 0;
    std::vector<int> columns;
    std::vector<Text> entries;

    bool tooLong() const { return entryCount > kMostColumnEntries; }
};

// Splits a column spec at its commas (a trailing empty entry dropped) and reads each entry by integer
// reading. Full-width commas are not separators here: a spec read before it was tidied is taken as typed.
ColumnList parseColumns(std::string_view columnSpec);

// One table's settings as the import takes them.
struct TableSettings {
    Text sheetName;  // used exactly as typed
    ColumnList columns;
    int startRow = 0;  // one-based; 0, negative or not a number imports every record
};

TableSettings parseTable(std::string_view sheetName, std::string_view columnSpec, std::string_view startRow);

// All seven settings as the import and the comparison take them; read once, shared by the window and
// the batch.
struct ParsedSettings {
    TableSettings registerTable;
    TableSettings sourceTable;
    int fillCount = 0;  // how many figure columns the comparison fills; 0 or less fills none
};

ParsedSettings parseSettings(const ImportSettings& settings);

}  // namespace velmora::settings
