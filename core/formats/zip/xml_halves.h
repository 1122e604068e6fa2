// SPDX-License-Identifier: GPL-3.0-or-later
// Reading one large part on two cores. The first handler reads the part from its start as usual. A second
// handler, on a thread of its own, is fed the document's head (everything up to and including the start
// tag of the element that holds the rows) and then the rest of the part from the first row's start tag at
// or after the middle. The halves count only when the first handler, fed up to that row, stands exactly
// where the second began: between two pieces of markup, directly inside the head's element, and ready to
// hand over (XmlHandler::readyToSplit). A start tag found in the text may lie inside a comment or a
// CDATA section; the parser's own state says whether it did.
#pragma once

#include <string_view>

#include "package/xml_parser.h"

namespace velmora::package {

// How a reader's part is laid out.
struct HalvesShape {
    std::string_view headName;    // local name of the element whose start tag ends the head
    std::string_view headUriEnd;  // how its namespace URI ends
    std::string_view headTag;     // its start tag as written, up to the end of its name: "<sheetData"
    std::string_view rowTag;      // a row's start tag likewise: "<row"
};

enum class HalvesOutcome {
    Whole,      // the first handler read the part as parseXml would (no split was found, the parse
                // ended before it, or the handler was not ready to hand over there): `first` is its status
    Halves,     // the first handler read up to the split and the second the rest, both without fault
    Abandoned,  // the halves did not meet or the second failed: the part must be read whole, afresh
};

struct HalvesResult {
    HalvesOutcome outcome = HalvesOutcome::Whole;
    PartStatus first = PartStatus::Ok;
};

// Parses `source` into `first`, or into `first` and `second` as above. `second` is used only on its
// thread, and only while this runs.
HalvesResult parseXmlInHalves(const XmlSource& source, const HalvesShape& shape, XmlHandler& first,
                              XmlHandler& second);

}  // namespace velmora::package
