// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line options of velmora-batch.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

struct BatchOptions {
    std::string configPath;  // empty: vozuz.ini where this run keeps its settings
    std::string table1Path;
    std::string table2Path;
    std::string outFolder;
    std::string listSheetsPath;  // set for --list-sheets
    bool help = false;
    bool version = false;
};

// Parses the arguments (without the program name). On a bad option returns nullopt and sets `error`
// to a message in the user's language (UTF-8).
std::optional<BatchOptions> parseBatchOptions(const std::vector<std::string>& arguments, std::string& error);

// The usage text (UTF-8), ending in a line end.
std::string batchUsage();

}  // namespace velmora::cli
