// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark's input: a register and a payment list written with the project's own workbook writer.
#pragma once

#include <string>

namespace velmora::bench {

// Writes table1.xls (a register: title, unit and header rows, then codes and names with eight empty
// figure columns), table2.xls (a payment list: a header row, then codes, names and eight numeric
// figures in shuffled order, every 97th name and every 101st code altered) and vozuz.ini for them into
// `folder`; each workbook has `rows` rows in all, and comes again as .xlsx and .ods. False if a file
// could not be written.
bool writeBenchFiles(const std::string& folder, int rows);

}  // namespace velmora::bench
