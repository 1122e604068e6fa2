// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's workbooks in the zip-based formats, so their readers are timed on the same rows.
#pragma once

#include <string>
#include <vector>

#include "text/rules.h"

namespace velmora::bench {

// One row: its texts (GBK) in the first columns, its numbers in the columns after them.
struct BenchRow {
    std::vector<text::Text> texts;
    std::vector<double> numbers;
};

// Write the rows as sheet "Sheet1" of an .xlsx (shared strings, as spreadsheet programs write them) or
// an .ods. False if the file could not be written.
bool writeXlsx(const std::string& path, const std::vector<BenchRow>& rows);
bool writeOds(const std::string& path, const std::vector<BenchRow>& rows);

}  // namespace velmora::bench
