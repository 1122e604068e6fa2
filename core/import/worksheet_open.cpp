// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a worksheet of a workbook file, kept apart from the text conversion it feeds.
#include "import/workbook_file.h"
#include "import/worksheet_reader.h"

namespace velmora::import {

std::vector<Text> listSheetNames(const text::FilePath& path) {
    std::vector<Text> names;
    listSheetNames(path, names);
    return names;
}

ReaderStatus listSheetNames(const text::FilePath& path, std::vector<Text>& names, sheet::Fault* fault,
                            failure::Failure* cause) {
    names.clear();
    ReaderStatus status = ReaderStatus::Ok;
    const auto workbook = WorkbookFile::open(path.native(), status, fault, cause);
    if (!workbook) return status;
    names = listSheetNames(workbook->sheets());
    return ReaderStatus::Ok;
}

ReaderStatus WorksheetReader::open(const std::string& path, const Text& sheetName) {
    openSheet(sheet::Sheet{}, false);
    m_fault = {};
    m_cause = {};
    ReaderStatus status = ReaderStatus::Ok;
    const auto workbook = WorkbookFile::open(path, status, &m_fault, &m_cause);
    if (!workbook) return status;

    const auto& sheets = workbook->sheets();
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        if (sheets[index].kind != sheet::SheetKind::Worksheet || sheets[index].name != sheetName) continue;
        auto sheet = workbook->readSheet(index, status, &m_fault);
        if (!sheet) return status;
        openSheet(std::move(*sheet), workbook->uses1904DateSystem());
        m_sheetNumber = static_cast<int>(index) + 1;
        return ReaderStatus::Ok;
    }
    for (const sheet::SheetEntry& entry : sheets) {
        if (entry.kind == sheet::SheetKind::Worksheet) m_available.push_back(entry.name);
    }
    return ReaderStatus::SheetNotFound;
}

}  // namespace velmora::import
