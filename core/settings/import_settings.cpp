// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/import_settings.h"

#include "fileio/files.h"
#include "fileio/input_file.h"
#include "settings/file_encoding.h"
#include "settings/ini_file.h"
#include "text/phrases.h"

namespace velmora::settings {
namespace {

struct KeyOfSetting {
    const Text& (*section)();
    const Text& (*key)();
};

// File order of the seven settings; load and save walk it in this order.
constexpr KeyOfSetting kKeys[kSettingCount] = {
    {phrases::register1Section, phrases::register1SheetKey},
    {phrases::register1Section, phrases::register1ColumnsKey},
    {phrases::register1Section, phrases::register1StartRowKey},
    {phrases::register1Section, phrases::register1FillCountKey},
    {phrases::source2Section, phrases::source2SheetKey},
    {phrases::source2Section, phrases::source2ColumnsKey},
    {phrases::source2Section, phrases::source2StartRowKey},
};

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

const Text& sectionOf(SettingId id) { return kKeys[static_cast<std::size_t>(id)].section(); }
const Text& keyOf(SettingId id) { return kKeys[static_cast<std::size_t>(id)].key(); }

ImportSettings loadSettings(const std::string& path) {
    failure::Failure ignored;
    return loadSettings(path, ignored);
}

ImportSettings loadSettings(const std::string& path, failure::Failure& why, std::size_t* keysFound) {
    IniFile ini;
    FileEncoding encoding = FileEncoding::Gbk;
    readIni(path, ini, encoding, why);
    ImportSettings settings;
    std::size_t found = 0;
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        const std::optional<Text> value = ini.value(kKeys[i].section(), kKeys[i].key());
        if (value) ++found;
        settings[i] = value.value_or(Text());
    }
    if (keysFound != nullptr) *keysFound = found;
    return settings;
}

failure::Failure saveSettings(const std::string& path, const ImportSettings& settings) {
    // Saving over a file we could not read would throw away its other sections.
    IniFile ini;
    FileEncoding encoding = FileEncoding::Gbk;
    failure::Failure why;
    if (!readIni(path, ini, encoding, why)) return why;
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        // A line end inside a value would split it into two lines of the file; keep it on one.
        Text value = text::replaceAll(text::replaceAll(settings[i], "\r", " "), "\n", " ");
        ini.setValue(kKeys[i].section(), kKeys[i].key(), value);
    }
    return fileio::writeFileAtomically(path, encodeSettingsFile(ini.serialize(), encoding),
                                       fileio::FileMode::OwnerOnly);
}

Text normaliseCommas(std::string_view columnSpec) {
    return text::replaceAll(columnSpec, phrases::fullWidthComma(), ",");
}

}  // namespace velmora::settings
