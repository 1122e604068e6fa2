// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the reader by what the file holds: a compound document, or a zip package of XML parts.
#include "import/workbook_file.h"

#include <cstdint>
#include <type_traits>

#include "fileio/input_file.h"
#include "package/zip_package.h"

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

ReaderStatus statusOf(package::ReadError error) {
    switch (error) {
        case package::ReadError::None:
            return ReaderStatus::Ok;
        case package::ReadError::NotWorkbook:
            return ReaderStatus::NotWorkbook;
        case package::ReadError::Encrypted:
            return ReaderStatus::Encrypted;
        case package::ReadError::TooLarge:
            return ReaderStatus::TooLarge;
        case package::ReadError::Damaged:
            break;
    }
    return ReaderStatus::Damaged;
}

// A failure must always say why; a reader that forgot is taken as having met damage.
template <typename Error>
ReaderStatus failureOf(Error error) {
    const ReaderStatus status = statusOf(error);
    return status == ReaderStatus::Ok ? ReaderStatus::Damaged : status;
}

template <typename Workbook>
struct ErrorOf {
    using Type = package::ReadError;
};
template <>
struct ErrorOf<xls::Workbook> {
    using Type = xls::OpenError;
};

bool startsWith(const std::string& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && std::string_view(bytes).substr(0, prefix.size()) == prefix;
}

template <typename Workbook>
std::optional<Workbook> openAs(std::string bytes, ReaderStatus& status) {
    package::ReadError error = package::ReadError::None;
    auto workbook = Workbook::openBytes(std::move(bytes), error);
    if (!workbook) status = failureOf(error);
    return workbook;
}

}  // namespace

std::optional<WorkbookFile> WorkbookFile::openPackage(std::string bytes, ReaderStatus& status) {
    bool isOfficeOpenXml = false;
    bool isOpenDocument = false;
    if (const auto zip = package::ZipPackage::open(bytes)) {
        isOfficeOpenXml = ooxml::isPackage(*zip);
        isOpenDocument = opendocument::isPackage(*zip);
    } else {
        status = ReaderStatus::Damaged;
        return std::nullopt;
    }
    if (isOfficeOpenXml) {
        if (auto workbook = openAs<ooxml::Workbook>(std::move(bytes), status))
            return WorkbookFile(std::move(*workbook));
    } else if (isOpenDocument) {
        if (auto workbook = openAs<opendocument::Workbook>(std::move(bytes), status))
            return WorkbookFile(std::move(*workbook));
    } else {
        status = ReaderStatus::NotWorkbook;  // some other zip: an archive, a text document
    }
    return std::nullopt;
}

std::optional<WorkbookFile> WorkbookFile::open(const std::string& path, ReaderStatus& status,
                                               xls::Fault* fault) {
    std::string bytes;
    failure::Failure why;
    if (!fileio::readInputFile(path, bytes, SIZE_MAX, why)) {
        status = why.reason() == failure::Reason::NotRegularFile ? ReaderStatus::NotAFile
                                                                 : ReaderStatus::CannotOpen;
        return std::nullopt;
    }
    return openBytes(std::move(bytes), status, fault);
}

std::optional<WorkbookFile> WorkbookFile::openBytes(std::string bytes, ReaderStatus& status,
                                                    xls::Fault* fault) {
    status = ReaderStatus::Ok;
    // A zip-based workbook saved with a password is a compound document holding the encrypted zip.
    if (package::isEncryptedPackage(bytes)) {
        status = ReaderStatus::Encrypted;
        return std::nullopt;
    }
    if (startsWith(bytes, "PK\x03\x04")) return openPackage(std::move(bytes), status);
    xls::OpenError error = xls::OpenError::None;
    auto workbook = xls::Workbook::openBytes(std::move(bytes), error, fault);
    if (!workbook) {
        status = failureOf(error);
        return std::nullopt;
    }
    return WorkbookFile(std::move(*workbook));
}

const std::vector<xls::SheetEntry>& WorkbookFile::sheets() const {
    return std::visit(
        [](const auto& workbook) -> const std::vector<xls::SheetEntry>& { return workbook.sheets(); },
        m_workbook);
}

bool WorkbookFile::uses1904DateSystem() const {
    return std::visit([](const auto& workbook) { return workbook.uses1904DateSystem(); }, m_workbook);
}

std::optional<xls::Sheet> WorkbookFile::readSheet(std::size_t index, ReaderStatus& status,
                                                  xls::Fault* fault) const {
    return std::visit(
        [&](const auto& workbook) {
            // Each reader names its failures its own way; the error type comes from its readSheet.
            using Workbook = std::decay_t<decltype(workbook)>;
            typename ErrorOf<Workbook>::Type error{};
            xls::Fault where;
            std::optional<xls::Sheet> sheet;
            if constexpr (std::is_same_v<Workbook, xls::Workbook>) {
                sheet = workbook.readSheet(index, error, &where);
            } else {
                sheet = workbook.readSheet(index, error);
            }
            status = sheet ? ReaderStatus::Ok : failureOf(error);
            if (!sheet && fault) {
                *fault = where;
                fault->sheet = static_cast<int>(index) + 1;
            }
            return sheet;
        },
        m_workbook);
}

}  // namespace velmora::import
