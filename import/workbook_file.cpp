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

constexpr std::size_t kHeadBytes = 64;
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

// The largest file of the kind the first bytes show, by what that format can hold; 0 for no workbook.
// A compound document of 512-byte sectors is at most 2 GB by its own rules (4 GB with larger sectors,
// where the workbook stream's 32-bit offsets end); a zip without its 64-bit extension 4 GB; a bare
// record stream 2 GB like the container it was taken from; a workbook saved as one XML text (flat
// OpenDocument) the 1 GB a part of a zip may inflate to.
std::uint64_t sizeLimitOf(const std::string& head) {
    if (startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) {
        const bool smallSectors = head.size() <= 30 || static_cast<unsigned char>(head[30]) == 9;
        return smallSectors ? 2 * kGiB : 4 * kGiB;
    }
    if (startsWith(head, "PK")) return 4 * kGiB;
    if (head.size() >= 2) {
        const unsigned id = static_cast<unsigned char>(head[0]) | (static_cast<unsigned char>(head[1]) << 8);
        if (id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809) return 2 * kGiB;
    }
    std::string_view text(head);
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '<') return kGiB;
    return 0;
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
    fileio::InputFile file(path);
    std::string bytes;
    // What the file is shows in its first bytes: a file of no known kind is refused before the rest is
    // read, and none is read beyond what its format can hold.
    if (file.readStart(bytes, kHeadBytes)) {
        const std::uint64_t limit = sizeLimitOf(bytes);
        if (limit == 0) {
            status = ReaderStatus::NotWorkbook;
            return std::nullopt;
        }
        if (file.size() > limit) {
            status = ReaderStatus::TooLarge;
            if (fault) *fault = xls::Fault{xls::Fault::What::FileSize, 0, 0, 0, 0, limit};
            return std::nullopt;
        }
        if (file.readAll(bytes, static_cast<std::size_t>(limit))) return openBytes(std::move(bytes), status, fault);
    }
    status = file.failure().reason() == failure::Reason::NotRegularFile ? ReaderStatus::NotAFile
                                                                        : ReaderStatus::CannotOpen;
    return std::nullopt;
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
    if (opendocument::isFlatDocument(bytes)) {
        package::ReadError error = package::ReadError::None;
        if (auto workbook = opendocument::Workbook::openFlatBytes(std::move(bytes), error))
            return WorkbookFile(std::move(*workbook));
        status = failureOf(error);
        return std::nullopt;
    }
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
