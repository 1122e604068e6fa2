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

using failure::Failure;
using failure::Reason;

// A failure must always say why; a reader that forgot is taken as having met damage.
Failure saidWhy(Failure failure) {
    return failure.failed() ? failure : Failure::inWorkbook(Reason::WorkbookDamaged, failure.place());
}

template <typename Workbook>
class OpenedAs final : public WorkbookFile::Opened {
public:
    explicit OpenedAs(Workbook workbook) : m_workbook(std::move(workbook)) {}
    const std::vector<sheet::SheetEntry>& sheets() const override { return m_workbook.sheets(); }
    bool uses1904DateSystem() const override { return m_workbook.uses1904DateSystem(); }
    std::optional<sheet::Sheet> readSheet(std::size_t index, Failure& failure) const override {
        auto sheet = m_workbook.readSheet(index, failure);
        if (!sheet) failure = saidWhy(std::move(failure));
        return sheet;
    }

private:
    Workbook m_workbook;
};

template <typename Workbook, auto openBytes = &Workbook::openBytes>
std::optional<WorkbookFile> openAs(std::string bytes, Failure& failure) {
    auto workbook = openBytes(std::move(bytes), failure);
    if (!workbook) {
        failure = saidWhy(std::move(failure));
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
    std::optional<WorkbookFile> (*open)(std::string bytes, Failure& failure);
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

// The row of kFormats that holds `bytes`; nullptr, with the reason in `failure`, when none does.
const Format* formatOf(const std::string& bytes, Failure& failure) {
    std::optional<package::ZipPackage> zip;
    if (startsWith(bytes, "PK\x03\x04")) {
        zip = package::ZipPackage::open(bytes);
        if (!zip) {
            failure = Failure::inWorkbook(Reason::WorkbookDamaged, {failure::Place::What::Zip});
            return nullptr;
        }
    }
    const Content content{bytes, zip ? &*zip : nullptr};
    for (const Format& format : kFormats) {
        if (format.holds(content)) return &format;
    }
    failure = Failure::inWorkbook(Reason::NotAWorkbook);  // some other zip: an archive, a text document
    return nullptr;
}

}  // namespace

std::optional<WorkbookFile> WorkbookFile::open(const text::FilePath& path, Failure& failure) {
    fileio::InputFile file(path.native());
    std::string bytes;
    // What the file is shows in its first bytes: a file of no known kind is refused before the rest is
    // read, and none is read beyond what its format can hold.
    if (file.readStart(bytes, kHeadBytes)) {
        const std::uint64_t limit = sizeLimitOf(bytes);
        if (limit == 0) {
            failure = Failure::inWorkbook(Reason::NotAWorkbook).inFile(path);
            return std::nullopt;
        }
        if (file.size() > limit) {
            const failure::Place place{failure::Place::What::FileSize, 0, 0, 0, 0, limit};
            failure = Failure::inWorkbook(Reason::WorkbookTooLarge, place).inFile(path);
            return std::nullopt;
        }
        if (file.readAll(bytes, static_cast<std::size_t>(limit))) {
            auto workbook = openBytes(std::move(bytes), failure);
            if (workbook)
                workbook->m_path = path;
            else
                failure = failure.inFile(path);
            return workbook;
        }
    }
    // The reason met here, not one found by trying the file again: by then it may have changed.
    const Failure& cause = file.failure();
    failure =
        cause.reason() == Reason::NotRegularFile ? cause.inFile(path) : Failure::cannotOpen(path, cause);
    return std::nullopt;
}

std::optional<WorkbookFile> WorkbookFile::openBytes(std::string bytes, Failure& failure) {
    failure = {};
    // A zip-based workbook saved with a password is a compound document holding the encrypted zip.
    if (package::isEncryptedPackage(bytes)) {
        failure = Failure::inWorkbook(Reason::WorkbookEncrypted);
        return std::nullopt;
    }
    const Format* format = formatOf(bytes, failure);
    if (!format) return std::nullopt;
    return format->open(std::move(bytes), failure);
}

std::optional<sheet::Sheet> WorkbookFile::readSheet(std::size_t index, Failure& failure) const {
    auto sheet = m_workbook->readSheet(index, failure);
    if (!sheet) failure = failure.inSheet(static_cast<int>(index) + 1).inFile(m_path);
    return sheet;
}

}  // namespace velmora::import
