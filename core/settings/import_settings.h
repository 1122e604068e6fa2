// SPDX-License-Identifier: GPL-3.0-or-later
// The seven import settings and their home, vozuz.ini.
#pragma once

#include <array>
#include <string>

#include "failure/failure.h"
#include "text/rules.h"

namespace velmora::settings {

using text::Text;

// The settings in file order.
enum class SettingId {
    RegisterSheet,
    RegisterColumns,
    RegisterStartRow,
    FillCount,
    SourceSheet,
    SourceColumns,
    SourceStartRow,
};
inline constexpr std::size_t kSettingCount = 7;

using ImportSettings = std::array<Text, kSettingCount>;

inline Text& at(ImportSettings& settings, SettingId id) { return settings[static_cast<std::size_t>(id)]; }
inline const Text& at(const ImportSettings& settings, SettingId id) {
    return settings[static_cast<std::size_t>(id)];
}

// The section and key of a setting in vozuz.ini (GBK).
const Text& sectionOf(SettingId id);
const Text& keyOf(SettingId id);

// The settings file's name.
inline constexpr const char* kSettingsFileName = "vozuz.ini";

// Reads every setting from the file; a missing file, section or key gives the empty text.
ImportSettings loadSettings(const std::string& path);
// The same, saying in `why` why the file could not be read (its settings then read as empty); a
// missing file is a failure too (fileio::isMissingFile), for callers that treat it apart. The file may be
// GBK, UTF-8 or UTF-16 (see file_encoding.h). `keysFound`, when given, receives how many of the seven
// keys the file holds, so a file of some other program can be told from one with empty settings.
ImportSettings loadSettings(const std::string& path, failure::Failure& why, std::size_t* keysFound = nullptr);

// Writes every setting into the file, keeping its other sections and keys and its encoding (a new file
// is GBK, readable by this account only); says why when it could not be written, in which case the old
// file is untouched.
failure::Failure saveSettings(const std::string& path, const ImportSettings& settings);

// Replaces every full-width comma in a column spec by ",".
Text normaliseCommas(std::string_view columnSpec);

}  // namespace velmora::settings
