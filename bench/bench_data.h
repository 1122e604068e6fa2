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

// Writes the largest sheet a workbook holds into `path`: 65,536 rows by 256 columns of numbers, each row
// one MULRK record as spreadsheet programs write it (about 100 MB). Column 1 holds distinct codes, the
// others amounts with two decimals. False if the file could not be written.
bool writeMaximumWorkbook(const std::string& path);

// Writes that workbook as both table1.xls and table2.xls into `folder`, with a vozuz.ini that takes the
// register's codes and names from row 4 and fills 253 figure columns from a payment list of 255 columns
// from row 2: after the comparison each grid has 256 columns, as many as a workbook holds.
bool writeMaximumBenchFiles(const std::string& folder);

}  // namespace velmora::bench
