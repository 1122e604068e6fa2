// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a spreadsheet package: its manifest for encryption, then every table of content.xml.
#include "opendocument/workbook.h"

#include "opendocument/content_reader.h"
#include "package/xml_parser.h"

namespace velmora::opendocument {
namespace {

using package::PartStatus;

// The manifest marks each encrypted part; its content would read as damaged XML.
class ManifestHandler : public package::XmlHandler {
public:
    bool encrypted = false;
    void startElement(std::string_view localName, std::string_view, const package::XmlAttributes&) override {
        if (localName == "encryption-data") {
            encrypted = true;
            finish();
        }
    }
    void endElement(std::string_view, std::string_view) override {}
    void characters(std::string_view) override {}
};

constexpr std::string_view kSpreadsheetType = "application/vnd.oasis.opendocument.spreadsheet";

// Reads the root element only: a flat document names its kind there.
class RootHandler : public package::XmlHandler {
public:
    bool isDocument = false;
    std::string mimeType;
    void startElement(std::string_view localName, std::string_view uri,
                      const package::XmlAttributes& attributes) override {
        constexpr std::string_view kOfficeNs = ":office:1.0";
        isDocument = localName == "document" && uri.size() >= kOfficeNs.size() &&
                     uri.substr(uri.size() - kOfficeNs.size()) == kOfficeNs;
        mimeType = attributes.value("mimetype", kOfficeNs).value_or("");
        finish();
    }
    void endElement(std::string_view, std::string_view) override {}
    void characters(std::string_view) override {}
};

RootHandler readRoot(std::string_view bytes) {
    RootHandler root;
    package::parseXml(bytes, root);
    return root;
}

}  // namespace

bool isFlatDocument(std::string_view bytes) {
    // Only text that starts as XML is parsed at all; a binary or CSV file is told at its first byte.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || bytes[first] != '<') return false;
    return readRoot(bytes).isDocument;
}

std::optional<Workbook> Workbook::openFlatBytes(std::string bytes, failure::Failure& failure) {
    const RootHandler root = readRoot(bytes);
    if (!root.isDocument || root.mimeType.rfind(kSpreadsheetType, 0) != 0) {
        failure =
            failure::Failure::inWorkbook(failure::Reason::NotAWorkbook);  // a flat text document or drawing
        return std::nullopt;
    }
    Workbook workbook;
    failure = readContentXml(bytes, workbook.m_entries, workbook.m_sheets);
    if (failure.failed()) return std::nullopt;
    return workbook;
}

bool isPackage(const package::ZipPackage& zip) { return zip.has("content.xml") || zip.has("mimetype"); }

std::optional<Workbook> Workbook::openBytes(std::string bytes, failure::Failure& failure) {
    using failure::Failure;
    using failure::Reason;
    const auto zip = package::ZipPackage::open(bytes);
    if (!zip) {
        failure = Failure::inWorkbook(Reason::WorkbookDamaged, {failure::Place::What::Zip});
        return std::nullopt;
    }
    std::string mimeType;
    if (zip->readAll("mimetype", mimeType) == PartStatus::Ok && mimeType.rfind(kSpreadsheetType, 0) != 0) {
        failure = Failure::inWorkbook(Reason::NotAWorkbook);  // a text document or a drawing
        return std::nullopt;
    }
    ManifestHandler manifest;
    constexpr std::string_view kManifest = "META-INF/manifest.xml";
    const PartStatus manifestStatus = package::parseXmlPart(*zip, kManifest, manifest);
    if (manifest.encrypted) {
        failure = Failure::inWorkbook(Reason::WorkbookEncrypted);
        return std::nullopt;
    }
    if (manifestStatus != PartStatus::Ok && manifestStatus != PartStatus::Missing) {
        failure = Failure::inWorkbook(package::reasonOf(manifestStatus),
                                      package::faultOf(manifestStatus, kManifest));
        return std::nullopt;
    }
    Workbook workbook;
    failure = readContent(*zip, workbook.m_entries, workbook.m_sheets);
    if (failure.failed()) return std::nullopt;
    return workbook;
}

std::optional<sheet::Sheet> Workbook::readSheet(std::size_t index, failure::Failure& failure) const {
    if (index >= m_sheets.size()) {
        failure = failure::Failure::inWorkbook(failure::Reason::NotAWorkbook);
        return std::nullopt;
    }
    failure = {};
    return m_sheets[index];
}

}  // namespace velmora::opendocument
