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

failure::Failure listSheetNames(const text::FilePath& path, std::vector<Text>& names) {
    names.clear();
    failure::Failure failure;
    const auto workbook = WorkbookFile::open(path, failure);
    if (workbook) names = listSheetNames(workbook->sheets());
    return failure;
}

ReaderStatus statusOf(const failure::Failure& failure) {
    switch (failure.reason()) {
        case failure::Reason::None:
            return ReaderStatus::Ok;
        case failure::Reason::NotRegularFile:
            return ReaderStatus::NotAFile;
        case failure::Reason::OutOfMemory:
            return ReaderStatus::OutOfMemory;
        case failure::Reason::NotAWorkbook:
        case failure::Reason::UnsupportedVersion:
            return ReaderStatus::NotWorkbook;
        case failure::Reason::WorkbookDamaged:
            return ReaderStatus::Damaged;
        case failure::Reason::WorkbookEncrypted:
            return ReaderStatus::Encrypted;
        case failure::Reason::WorkbookTooLarge:
            return ReaderStatus::TooLarge;
        default:
            return ReaderStatus::CannotOpen;
    }
}

ReaderStatus WorksheetReader::open(const text::FilePath& path, const Text& sheetName) {
    openSheet(sheet::Sheet{}, false);
    m_failure = {};
    const auto workbook = WorkbookFile::open(path, m_failure);
    if (!workbook) return statusOf(m_failure);

    const auto& sheets = workbook->sheets();
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        if (sheets[index].kind != sheet::SheetKind::Worksheet || sheets[index].name != sheetName) continue;
        auto sheet = workbook->readSheet(index, m_failure);
        if (!sheet) return statusOf(m_failure);
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
