// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of velmora-batch.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/file_path.h"

namespace velmora::cli {

struct BatchOptions {
    text::FilePath configPath;  // empty: vozuz.ini where this run keeps its settings
    text::FilePath table1Path;
    text::FilePath table2Path;
    text::FilePath outFolder;
    text::FilePath listSheetsPath;  // set for --list-sheets
    bool help = false;
    bool version = false;
};

// Parses the arguments (without the program name), the file and folder names among them made file names
// here. On a bad option returns nullopt and sets `error` to a message in the user's language (UTF-8).
std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& arguments, std::string& error);

// The usage text (UTF-8), ending in a line end.
std::string batchUsage();

}  // namespace velmora::cli
