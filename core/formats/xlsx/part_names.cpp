// SPDX-License-Identifier: GPL-3.0-or-later
#include "ooxml/part_names.h"

#include "package/xml_parser.h"

namespace velmora::ooxml {
namespace {

class RelationshipsHandler : public package::XmlHandler {
public:
    RelationshipsHandler(std::string_view sourcePart, std::vector<Relationship>& out)
        : m_sourcePart(sourcePart), m_out(out) {}

    void startElement(std::string_view localName, std::string_view,
                      const package::XmlAttributes& attributes) override {
        if (localName != "Relationship") return;
        // External targets (links to other files or web pages) are never parts of this package.
        if (attributes.value("TargetMode").value_or("") == "External") return;
        const auto id = attributes.value("Id");
        const auto type = attributes.value("Type");
        const auto target = attributes.value("Target");
        if (!id || !type || !target) return;
        m_out.push_back({std::string(*id), std::string(*type), resolvePartName(m_sourcePart, *target)});
    }
    void endElement(std::string_view, std::string_view) override {}
    void characters(std::string_view) override {}

private:
    std::string_view m_sourcePart;
    std::vector<Relationship>& m_out;
};

}  // namespace

std::string relationshipsPartOf(std::string_view sourcePart) {
    const std::size_t slash = sourcePart.rfind('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view()
                                                             : sourcePart.substr(0, slash + 1));
    const std::string name(slash == std::string_view::npos ? sourcePart : sourcePart.substr(slash + 1));
    return folder + "_rels/" + name + ".rels";
}

package::PartStatus readRelationships(const package::ZipPackage& zip, std::string_view sourcePart,
                                      std::vector<Relationship>& out) {
    out.clear();
    RelationshipsHandler handler(sourcePart, out);
    return package::parseXmlPart(zip, relationshipsPartOf(sourcePart), handler);
}

bool hasType(const Relationship& relationship, std::string_view kind) {
    const std::string_view type = relationship.type;
    return type.size() > kind.size() && type.substr(type.size() - kind.size()) == kind &&
           type[type.size() - kind.size() - 1] == '/';
}

std::string resolvePartName(std::string_view sourcePart, std::string_view target) {
    std::vector<std::string_view> segments;
    if (!target.empty() && target.front() == '/') {
        target.remove_prefix(1);
    } else {
        const std::size_t slash = sourcePart.rfind('/');
        std::string_view folder =
            slash == std::string_view::npos ? std::string_view() : sourcePart.substr(0, slash);
        while (!folder.empty()) {
            const std::size_t next = folder.find('/');
            segments.push_back(folder.substr(0, next));
            if (next == std::string_view::npos) break;
            folder.remove_prefix(next + 1);
        }
    }
    while (!target.empty()) {
        const std::size_t next = target.find('/');
        const std::string_view segment = target.substr(0, next);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        if (next == std::string_view::npos) break;
        target.remove_prefix(next + 1);
    }
    std::string name;
    for (const std::string_view segment : segments) {
        if (!name.empty()) name += '/';
        name += segment;
    }
    return name;
}

}  // namespace velmora::ooxml
