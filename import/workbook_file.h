// SPDX-License-Identifier: GPL-3.0-or-later
// A workbook file of any format the import reads, recognised by its content rather than its name.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "import/worksheet_reader.h"
#include "ooxml/workbook.h"
#include "opendocument/workbook.h"
#include "xls/workbook.h"

namespace velmora::import {

class WorkbookFile {
public:
    // Opens the file at `path` (file-system encoding); `status` says why it failed and `fault`, when
    // given, where, as far as the reader knows.
    static std::optional<WorkbookFile> open(const std::string& path, ReaderStatus& status,
                                            xls::Fault* fault = nullptr);
    // The same on bytes already in memory (tests, fuzzing).
    static std::optional<WorkbookFile> openBytes(std::string bytes, ReaderStatus& status,
                                                 xls::Fault* fault = nullptr);

    const std::vector<xls::SheetEntry>& sheets() const;
    bool uses1904DateSystem() const;
    // A failed sheet's fault names the sheet in any format, and within it what the reader knows.
    std::optional<xls::Sheet> readSheet(std::size_t index, ReaderStatus& status,
                                        xls::Fault* fault = nullptr) const;

private:
    using Format = std::variant<xls::Workbook, ooxml::Workbook, opendocument::Workbook>;
    // A zip: which format is told by the parts it holds.
    static std::optional<WorkbookFile> openPackage(std::string bytes, ReaderStatus& status);
    explicit WorkbookFile(Format workbook) : m_workbook(std::move(workbook)) {}
    Format m_workbook;
};

}  // namespace velmora::import
