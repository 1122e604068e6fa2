// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/import_settings.h"

#include "fileio/files.h"
#include "fileio/input_file.h"
#include "settings/file_encoding.h"
#include "settings/ini_file.h"
#include "text/phrases.h"

namespace velmora::settings {
namespace {

// Settings files are a few hundred bytes; anything far larger is not ours to parse whole.
constexpr std::size_t kMaxSettingsFileBytes = std::size_t(64) << 20;

// Reads the file, whatever its encoding; a missing file reads as empty. False when a file is there but
// cannot be read.
bool readIni(const std::string& path, IniFile& ini, FileEncoding& encoding, failure::Failure& why) {
    std::string content;
    const bool read = fileio::readInputFile(path, content, kMaxSettingsFileBytes, why);
    ini = IniFile::parse(read ? decodeSettingsFile(content, encoding) : Text());
    if (!read) encoding = FileEncoding::Gbk;  // a new file is written as the program always has
    return read || fileio::isMissingFile(why);
}

}  // namespace

ImportSettings loadSettings(const text::FilePath& path) {
    failure::Failure ignored;
    return loadSettings(path, ignored);
}

ImportSettings loadSettings(const text::FilePath& path, failure::Failure& why) {
    IniFile ini;
    FileEncoding encoding = FileEncoding::Gbk;
    readIni(path.native(), ini, encoding, why);
    ImportSettings settings;
    std::size_t found = 0;
    for (const SettingKey& key : kSettingKeys) {
        const std::optional<Text> value = ini.value(key.section(), key.key());
        if (value) ++found;
        at(settings, key.id) = value ? *value : Text(key.defaultValue);
    }
    if (why.ok() && found == 0) why = failure::Failure(failure::Reason::NoSettings);
    return settings;
}

failure::Failure saveSettings(const text::FilePath& path, const ImportSettings& settings) {
    // Saving over a file we could not read would throw away its other sections.
    IniFile ini;
    FileEncoding encoding = FileEncoding::Gbk;
    failure::Failure why;
    if (!readIni(path.native(), ini, encoding, why)) return why;
    for (const SettingKey& key : kSettingKeys) {
        // A line end inside a value would split it into two lines of the file; keep it on one.
        Text value = text::replaceAll(text::replaceAll(at(settings, key.id), "\r", " "), "\n", " ");
        ini.setValue(key.section(), key.key(), value);
    }
    return fileio::writeFileAtomically(path.native(), encodeSettingsFile(ini.serialize(), encoding),
                                       fileio::FileMode::OwnerOnly);
}

Text normaliseCommas(std::string_view columnSpec) {
    return text::replaceAll(columnSpec, phrases::fullWidthComma(), ",");
}

Text tidied(SettingId id, std::string_view value) {
    return keyEntry(id).kind == SettingKind::Columns ? normaliseCommas(value) : Text(value);
}

void tidyAll(ImportSettings& settings) {
    for (const SettingKey& key : kSettingKeys) at(settings, key.id) = tidied(key.id, at(settings, key.id));
}

ColumnList parseColumns(std::string_view columnSpec) {
    ColumnList list;
    // Counted before splitting, so a list too long to use is refused without a text per entry.
    list.entryCount = text::countFields(columnSpec);
    if (list.tooLong()) return list;
    list.entries = text::split(columnSpec);
    list.columns.reserve(list.entries.size());
    for (const Text& entry : list.entries) list.columns.push_back(text::readInteger(entry));
    return list;
}

TableSettings parseTable(std::string_view sheetName, std::string_view columnSpec, std::string_view startRow) {
    return {Text(sheetName), parseColumns(columnSpec), text::readInteger(startRow)};
}

ParsedSettings parseSettings(const ImportSettings& settings) {
    const auto table = [&settings](SettingId sheet, SettingId columns, SettingId startRow) {
        return parseTable(at(settings, sheet), at(settings, columns), at(settings, startRow));
    };
    return {table(SettingId::RegisterSheet, SettingId::RegisterColumns, SettingId::RegisterStartRow),
            table(SettingId::SourceSheet, SettingId::SourceColumns, SettingId::SourceStartRow),
            text::readInteger(at(settings, SettingId::FillCount))};
}

}  // namespace velmora::settings
