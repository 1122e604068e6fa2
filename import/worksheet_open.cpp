// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a worksheet of a workbook file, kept apart from the text conversion it feeds.
#include "import/worksheet_reader.h"

namespace velmora::import {

namespace {
ReaderStatus statusOf(xls::OpenError error) {
    switch (error) {
        case xls::OpenError::None:
            return ReaderStatus::Ok;
        case xls::OpenError::CannotRead:
            return ReaderStatus::CannotOpen;
        case xls::OpenError::NotWorkbook:
        case xls::OpenError::UnsupportedFormat:
            return ReaderStatus::NotWorkbook;
        case xls::OpenError::Encrypted:
            return ReaderStatus::Encrypted;
        case xls::OpenError::Damaged:
            break;
    }
    return ReaderStatus::Damaged;
}
}  // namespace

std::vector<Text> listSheetNames(const std::string& path) {
    std::vector<Text> names;
    listSheetNames(path, names);
    return names;
}

ReaderStatus listSheetNames(const std::string& path, std::vector<Text>& names) {
    names.clear();
    xls::OpenError error = xls::OpenError::None;
    const auto workbook = xls::Workbook::open(path, error);
    if (!workbook) return statusOf(error == xls::OpenError::None ? xls::OpenError::Damaged : error);
    names = listSheetNames(workbook->sheets());
    return ReaderStatus::Ok;
}

ReaderStatus WorksheetReader::open(const std::string& path, const Text& sheetName) {
    openSheet(xls::Sheet{}, false);
    xls::OpenError error = xls::OpenError::None;
    const auto workbook = xls::Workbook::open(path, error);
    if (!workbook) return statusOf(error == xls::OpenError::None ? xls::OpenError::Damaged : error);

    const auto& sheets = workbook->sheets();
    for (std::size_t index = 0; index < sheets.size(); ++index) {
        if (sheets[index].kind != xls::SheetKind::Worksheet || sheets[index].name != sheetName) continue;
        auto sheet = workbook->readSheet(index, error);
        if (!sheet) return statusOf(error == xls::OpenError::None ? xls::OpenError::Damaged : error);
        openSheet(std::move(*sheet), workbook->uses1904DateSystem());
        return ReaderStatus::Ok;
    }
    for (const xls::SheetEntry& entry : sheets) {
        if (entry.kind == xls::SheetKind::Worksheet) m_available.push_back(entry.name);
    }
    return ReaderStatus::SheetNotFound;
}

}  // namespace velmora::import
