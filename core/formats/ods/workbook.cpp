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

std::optional<Workbook> Workbook::openFlatBytes(std::string bytes, ReadError& error, sheet::Fault* fault) {
    const RootHandler root = readRoot(bytes);
    if (!root.isDocument || root.mimeType.rfind(kSpreadsheetType, 0) != 0) {
        error = ReadError::NotWorkbook;  // a flat text document or drawing
        return std::nullopt;
    }
    Workbook workbook;
    error = readContentXml(bytes, workbook.m_entries, workbook.m_sheets, fault);
    if (error != ReadError::None) return std::nullopt;
    return workbook;
}

bool isPackage(const package::ZipPackage& zip) { return zip.has("content.xml") || zip.has("mimetype"); }

std::optional<Workbook> Workbook::openBytes(std::string bytes, ReadError& error, sheet::Fault* fault) {
    const auto zip = package::ZipPackage::open(bytes);
    if (!zip) {
        error = ReadError::Damaged;
        if (fault) fault->what = sheet::Fault::What::Zip;
        return std::nullopt;
    }
    std::string mimeType;
    if (zip->readAll("mimetype", mimeType) == PartStatus::Ok && mimeType.rfind(kSpreadsheetType, 0) != 0) {
        error = ReadError::NotWorkbook;  // a text document or a drawing
        return std::nullopt;
    }
    ManifestHandler manifest;
    constexpr std::string_view kManifest = "META-INF/manifest.xml";
    const PartStatus manifestStatus = package::parseXmlPart(*zip, kManifest, manifest);
    if (manifest.encrypted) {
        error = ReadError::Encrypted;
        return std::nullopt;
    }
    if (manifestStatus != PartStatus::Ok && manifestStatus != PartStatus::Missing) {
        error = package::errorOf(manifestStatus);
        if (fault) *fault = package::faultOf(manifestStatus, kManifest);
        return std::nullopt;
    }
    Workbook workbook;
    error = readContent(*zip, workbook.m_entries, workbook.m_sheets, fault);
    if (error != ReadError::None) return std::nullopt;
    return workbook;
}

std::optional<sheet::Sheet> Workbook::readSheet(std::size_t index, ReadError& error) const {
    if (index >= m_sheets.size()) {
        error = ReadError::NotWorkbook;
        return std::nullopt;
    }
    error = ReadError::None;
    return m_sheets[index];
}

}  // namespace velmora::opendocument
