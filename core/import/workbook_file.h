// SPDX-License-Identifier: GPL-3.0-or-later
// A workbook file of any format the import reads, recognised by its content rather than its name.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "failure/failure.h"
#include "sheet/sheet.h"
#include "text/file_path.h"

namespace velmora::import {

class WorkbookFile {
public:
    // Opens the file at `path`; `failure` says why it failed and where, as far as the reader knows, and
    // names the file. For a file that could not be opened or read it holds what the system said then.
    static std::optional<WorkbookFile> open(const text::FilePath& path, failure::Failure& failure);
    // The same on bytes already in memory, where open() goes once the file is read and where the fuzzers
    // start; the failure names no file.
    static std::optional<WorkbookFile> openBytes(std::string bytes, failure::Failure& failure);

    const std::vector<sheet::SheetEntry>& sheets() const { return m_workbook->sheets(); }
    bool uses1904DateSystem() const { return m_workbook->uses1904DateSystem(); }
    // A failed sheet's failure names the sheet in any format, and within it what the reader knows; for
    // a workbook opened from a file, it names the file too.
    std::optional<sheet::Sheet> readSheet(std::size_t index, failure::Failure& failure) const;

    // A workbook as one format's reader opened it; the table of formats in workbook_file.cpp makes them.
    class Opened {
    public:
        virtual ~Opened() = default;
        virtual const std::vector<sheet::SheetEntry>& sheets() const = 0;
        virtual bool uses1904DateSystem() const = 0;
        virtual std::optional<sheet::Sheet> readSheet(std::size_t index, failure::Failure& failure) const = 0;
    };
    explicit WorkbookFile(std::unique_ptr<Opened> workbook) : m_workbook(std::move(workbook)) {}

private:
    std::unique_ptr<Opened> m_workbook;
    text::FilePath m_path;  // empty when opened from bytes
};

}  // namespace velmora::import
