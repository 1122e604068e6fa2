// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a workbook package: the workbook part, its relationships, shared strings and styles.
#include "ooxml/workbook.h"

#include "ooxml/part_names.h"
#include "ooxml/string_items.h"
#include "ooxml/workbook_parts.h"
#include "package/cell_values.h"
#include "package/xml_parser.h"
#include "text/encoding.h"

namespace velmora::ooxml {
namespace {

using package::PartStatus;

struct SheetListing {
    sheet::SheetEntry entry;
    std::string relationshipId;
};

class WorkbookHandler : public package::XmlHandler {
public:
    bool uses1904 = false;
    std::vector<SheetListing> sheets;

    void startElement(std::string_view localName, std::string_view,
                      const package::XmlAttributes& attributes) override {
        if (localName == "workbookPr") {
            const std::string_view value = attributes.value("date1904").value_or("0");
            uses1904 = value == "1" || value == "true";
        } else if (localName == "sheet") {
            SheetListing sheet;
            sheet.entry.name = text::gbkFromUtf8(attributes.value("name").value_or(""));
            const std::string_view state = attributes.value("state").value_or("visible");
            sheet.entry.hidden = state == "hidden" || state == "veryHidden";
            sheet.relationshipId = std::string(attributes.value("id", "relationships").value_or(""));
            sheets.push_back(std::move(sheet));
        }
    }
    void endElement(std::string_view localName, std::string_view) override {
        if (localName == "sheets") finish();  // the rest (names, calculation settings) is not needed
    }
    void characters(std::string_view) override {}
};

const Relationship* findByType(const std::vector<Relationship>& relationships, std::string_view kind) {
    for (const Relationship& relationship : relationships) {
        if (hasType(relationship, kind)) return &relationship;
    }
    return nullptr;
}

sheet::SheetKind kindOf(const Relationship& relationship) {
    if (hasType(relationship, "worksheet")) return sheet::SheetKind::Worksheet;
    if (hasType(relationship, "chartsheet")) return sheet::SheetKind::Chart;
    if (hasType(relationship, "xlMacrosheet") || hasType(relationship, "xlIntlMacrosheet"))
        return sheet::SheetKind::Macro;
    return sheet::SheetKind::Other;
}

}  // namespace

bool isPackage(const package::ZipPackage& zip) { return zip.has("[Content_Types].xml"); }

namespace {

// The failure of reading `partName`, naming it.
failure::Failure failed(PartStatus status, std::string_view partName) {
    return failure::Failure::inWorkbook(package::reasonOf(status), package::faultOf(status, partName));
}

// No workbook where the package should hold one, said without a place.
failure::Failure notAWorkbook() { return failure::Failure::inWorkbook(failure::Reason::NotAWorkbook); }

}  // namespace

failure::Failure readWorkbookParts(WorkbookParts& parts) {
    const package::ZipPackage& zip = *parts.zip;
    std::vector<Relationship> relationships;
    PartStatus status = readRelationships(zip, "", relationships);
    // No relationships at all is no workbook, said without a place; a damaged one is named.
    if (status == PartStatus::Missing) return notAWorkbook();
    if (status != PartStatus::Ok) return failed(status, relationshipsPartOf(""));
    const Relationship* document = findByType(relationships, "officeDocument");
    if (!document) return notAWorkbook();
    const std::string workbookPart = document->target;

    WorkbookHandler workbook;
    status = package::parseXmlPart(zip, workbookPart, workbook);
    if (status == PartStatus::Missing) return notAWorkbook();
    if (status != PartStatus::Ok) return failed(status, workbookPart);
    parts.uses1904 = workbook.uses1904;

    status = readRelationships(zip, workbookPart, relationships);
    if (status != PartStatus::Ok && status != PartStatus::Missing)
        return failed(status, relationshipsPartOf(workbookPart));
    for (SheetListing& sheet : workbook.sheets) {
        std::string partName;
        sheet.entry.kind = sheet::SheetKind::Other;
        for (const Relationship& relationship : relationships) {
            if (relationship.id != sheet.relationshipId) continue;
            sheet.entry.kind = kindOf(relationship);
            partName = relationship.target;
        }
        parts.entries.push_back(std::move(sheet.entry));
        parts.sheetParts.push_back(std::move(partName));
    }

    // Both parts are optional: a workbook of numbers only has no shared strings, a bare one no styles.
    if (const Relationship* strings = findByType(relationships, "sharedStrings")) {
        status = readSharedStrings(package::XmlSource::part(zip, strings->target), parts.sharedStrings);
        if (status != PartStatus::Ok && status != PartStatus::Missing) {
            failure::Place place = package::faultOf(status, strings->target);
            if (status == PartStatus::Refused)
                place.what = failure::Place::What::CellText;  // its only refusal
            return failure::Failure::inWorkbook(package::reasonOf(status), std::move(place));
        }
    }
    if (const Relationship* styles = findByType(relationships, "styles")) {
        status = readDateStyles(package::XmlSource::part(zip, styles->target), parts.dateStyles);
        if (status != PartStatus::Ok && status != PartStatus::Missing) return failed(status, styles->target);
    }
    return {};
}

Workbook::Workbook() : m_parts(std::make_unique<WorkbookParts>()) {}
Workbook::~Workbook() = default;
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;

std::optional<Workbook> Workbook::openBytes(std::string bytes, failure::Failure& failure) {
    Workbook workbook;
    WorkbookParts& parts = *workbook.m_parts;
    parts.bytes = std::make_unique<std::string>(std::move(bytes));
    parts.zip = package::ZipPackage::open(*parts.bytes);
    if (!parts.zip) {
        failure = failure::Failure::inWorkbook(failure::Reason::WorkbookDamaged, {failure::Place::What::Zip});
    } else if (!isPackage(*parts.zip)) {
        failure = notAWorkbook();
    } else {
        failure = readWorkbookParts(parts);
        if (failure.ok()) return workbook;
    }
    return std::nullopt;
}

const std::vector<sheet::SheetEntry>& Workbook::sheets() const { return m_parts->entries; }

bool Workbook::uses1904DateSystem() const { return m_parts->uses1904; }

std::optional<sheet::Sheet> Workbook::readSheet(std::size_t index, failure::Failure& failure) const {
    if (index >= m_parts->entries.size() || m_parts->entries[index].kind != sheet::SheetKind::Worksheet) {
        failure = notAWorkbook();
        return std::nullopt;
    }
    return readSheetPart(*m_parts, m_parts->sheetParts[index], failure);
}

}  // namespace velmora::ooxml
