// SPDX-License-Identifier: GPL-3.0-or-later
// The relationship parts that lead from the package to the workbook and from it to its sheets.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "package/zip_package.h"

namespace velmora::ooxml {

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // resolved to a part name inside the package
};

// The relationships of `sourcePart` ("" for the package itself); empty when it has none.
package::PartStatus readRelationships(const package::ZipPackage& zip, std::string_view sourcePart,
                                      std::vector<Relationship>& out);

// The relationships part of `sourcePart` ("" for the package): "xl/_rels/workbook.xml.rels".
std::string relationshipsPartOf(std::string_view sourcePart);

// True when a relationship type names `kind` ("worksheet", "officeDocument"...): transitional and strict
// files use different prefixes for the same last segment.
bool hasType(const Relationship& relationship, std::string_view kind);

// Resolves `target` against the folder of `sourcePart`, the way package part names are resolved.
std::string resolvePartName(std::string_view sourcePart, std::string_view target);

}  // namespace velmora::ooxml
