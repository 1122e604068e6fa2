// SPDX-License-Identifier: GPL-3.0-or-later
// Checks a written workbook with python3-xlrd, a reader that shares no code with ours, so that a
// convention our writer and our reader share cannot hide a fault.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "text/encoding.h"

namespace velmora::testsupport {

// A cell as written: a text (GBK; empty for no cell) or a number.
struct WrittenCell {
    text::Text text;
    std::optional<double> number;
    WrittenCell(text::Text t) : text(std::move(t)) {}  // NOLINT: most cells are texts
    WrittenCell(double n) : number(n) {}               // NOLINT
};

inline std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += digits[static_cast<unsigned char>(c) >> 4];
        hex += digits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

// Fails the current test unless xlrd reads the workbook at `path` as one sheet named `sheetName` that
// holds exactly `rows` (row 1 first): the same texts, numbers bit for bit, nothing else.
inline void expectXlrdReads(const std::string& path, const std::vector<std::vector<WrittenCell>>& rows,
                            const text::Text& sheetName = "Sheet1") {
    const std::string cellsPath = path + ".cells", logPath = path + ".xlrd";
    {
        std::ofstream cells(cellsPath, std::ios::binary | std::ios::trunc);
        cells << hexOf(text::utf8FromGbk(sheetName)) << "\n";
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                const WrittenCell& cell = rows[r][c];
                if (cell.number) {
                    char value[64];
                    std::snprintf(value, sizeof value, "%a", *cell.number);
                    cells << r << " " << c << " n " << value << "\n";
                } else if (!cell.text.empty()) {
                    cells << r << " " << c << " t " << hexOf(text::utf8FromGbk(cell.text)) << "\n";
                }
            }
        }
    }
    const std::string command = std::string(VELMORA_PYTHON3) + " '" + VELMORA_TEST_DATA +
                                "/../support/xlrd_check.py' '" + path + "' '" + cellsPath + "' >'" + logPath +
                                "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream log(logPath, std::ios::binary);
    const std::string output((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << "xlrd reads " << path << " otherwise:\n" << output;
    std::remove(cellsPath.c_str());
    std::remove(logPath.c_str());
}

// The same for a sheet of texts given as rows of GBK texts.
inline void expectXlrdReads(const std::string& path, const std::vector<std::vector<text::Text>>& rows,
                            const text::Text& sheetName = "Sheet1") {
    std::vector<std::vector<WrittenCell>> cells;
    for (const auto& row : rows) cells.emplace_back(row.begin(), row.end());
    expectXlrdReads(path, cells, sheetName);
}

}  // namespace velmora::testsupport
