// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the reader by what the file holds: every format the import reads is one row of kFormats.
#include "import/workbook_file.h"

#include <cstdint>
#include <string_view>

#include "fileio/input_file.h"
#include "ooxml/workbook.h"
#include "opendocument/workbook.h"
#include "package/zip_package.h"
#include "xls/workbook.h"

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

// Each reader names its failures its own way; the type is the one its readSheet reports in.
template <typename Workbook, typename Error, typename... More>
Error errorTypeOf(std::optional<sheet::Sheet> (Workbook::*)(std::size_t, Error&, More...) const);
template <typename Workbook>
using ErrorOf = decltype(errorTypeOf(&Workbook::readSheet));

// A reader that can say where a workbook is damaged takes a fault to fill; the others say only why.
template <typename Workbook>
class OpenedAs final : public WorkbookFile::Opened {
public:
    explicit OpenedAs(Workbook workbook) : m_workbook(std::move(workbook)) {}
    const std::vector<sheet::SheetEntry>& sheets() const override { return m_workbook.sheets(); }
    bool uses1904DateSystem() const override { return m_workbook.uses1904DateSystem(); }
    std::optional<sheet::Sheet> readSheet(std::size_t index, ReaderStatus& status,
                                          sheet::Fault& where) const override {
        ErrorOf<Workbook> error{};
        std::optional<sheet::Sheet> sheet;
        if constexpr (requires { m_workbook.readSheet(index, error, &where); }) {
            sheet = m_workbook.readSheet(index, error, &where);
        } else {
            sheet = m_workbook.readSheet(index, error);
        }
        status = sheet ? ReaderStatus::Ok : failureOf(error);
        return sheet;
    }

private:
    Workbook m_workbook;
};

template <typename Workbook, auto openBytes = &Workbook::openBytes>
std::optional<WorkbookFile> openAs(std::string bytes, ReaderStatus& status, sheet::Fault* fault) {
    ErrorOf<Workbook> error{};
    std::optional<Workbook> workbook;
    if constexpr (requires { openBytes(std::move(bytes), error, fault); }) {
        workbook = openBytes(std::move(bytes), error, fault);
    } else {
        workbook = openBytes(std::move(bytes), error);
    }
    if (!workbook) {
        status = failureOf(error);
        return std::nullopt;
    }
    return WorkbookFile(std::make_unique<OpenedAs<Workbook>>(std::move(*workbook)));
}

// What a format is recognised by: the bytes, and for a zip the package, opened once for all who look.
struct Content {
    std::string_view bytes;
    const package::ZipPackage* zip = nullptr;
};

struct Format {
    bool (*holds)(const Content& content);
    std::optional<WorkbookFile> (*open)(std::string bytes, ReaderStatus& status, sheet::Fault* fault);
};

// Every format the import reads, asked in this order; the first that holds the content opens it. A new
// format is its reader's folder and one row here (and, for a new kind of container, its size limit in
// sizeLimitOf below).
const Format kFormats[] = {
    {[](const Content& c) { return c.zip && ooxml::isPackage(*c.zip); }, openAs<ooxml::Workbook>},
    {[](const Content& c) { return c.zip && opendocument::isPackage(*c.zip); },
     openAs<opendocument::Workbook>},
    {[](const Content& c) { return !c.zip && opendocument::isFlatDocument(c.bytes); },
     openAs<opendocument::Workbook, &opendocument::Workbook::openFlatBytes>},
    // Last: compound documents and bare BIFF streams, whose reader tells a workbook from anything else.
    {[](const Content& c) { return !c.zip; }, openAs<xls::Workbook>},
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

// The row of kFormats that holds `bytes`; nullptr, with the reason in `status` (and `fault`), when none does.
const Format* formatOf(const std::string& bytes, ReaderStatus& status, sheet::Fault* fault) {
    std::optional<package::ZipPackage> zip;
    if (startsWith(bytes, "PK\x03\x04")) {
        zip = package::ZipPackage::open(bytes);
        if (!zip) {
            status = ReaderStatus::Damaged;
            if (fault) fault->what = sheet::Fault::What::Zip;
            return nullptr;
        }
    }
    const Content content{bytes, zip ? &*zip : nullptr};
    for (const Format& format : kFormats) {
        if (format.holds(content)) return &format;
    }
    status = ReaderStatus::NotWorkbook;  // some other zip: an archive, a text document
    return nullptr;
}

}  // namespace

std::optional<WorkbookFile> WorkbookFile::open(const std::string& path, ReaderStatus& status,
                                               sheet::Fault* fault, failure::Failure* cause) {
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
            if (fault) *fault = sheet::Fault{sheet::Fault::What::FileSize, 0, 0, 0, 0, limit};
            return std::nullopt;
        }
        if (file.readAll(bytes, static_cast<std::size_t>(limit)))
            return openBytes(std::move(bytes), status, fault);
    }
    status = file.failure().reason() == failure::Reason::NotRegularFile ? ReaderStatus::NotAFile
                                                                        : ReaderStatus::CannotOpen;
    // The reason met here, not one found by trying the file again: by then it may have changed.
    if (cause) *cause = file.failure();
    return std::nullopt;
}

std::optional<WorkbookFile> WorkbookFile::openBytes(std::string bytes, ReaderStatus& status,
                                                    sheet::Fault* fault) {
    status = ReaderStatus::Ok;
    // A zip-based workbook saved with a password is a compound document holding the encrypted zip.
    if (package::isEncryptedPackage(bytes)) {
        status = ReaderStatus::Encrypted;
        return std::nullopt;
    }
    const Format* format = formatOf(bytes, status, fault);
    if (!format) return std::nullopt;
    return format->open(std::move(bytes), status, fault);
}

std::optional<sheet::Sheet> WorkbookFile::readSheet(std::size_t index, ReaderStatus& status,
                                                    sheet::Fault* fault) const {
    sheet::Fault where;
    auto sheet = m_workbook->readSheet(index, status, where);
    if (!sheet && fault) {
        *fault = where;
        fault->sheet = static_cast<int>(index) + 1;
    }
    return sheet;
}

}  // namespace velmora::import
