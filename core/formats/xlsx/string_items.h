// SPDX-License-Identifier: GPL-3.0-or-later
// Texts as the workbook parts store them: string items of plain or rich text, and the _xHHHH_ escapes
// that carry characters XML cannot.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "package/cell_values.h"
#include "package/xml_parser.h"
#include "text/rules.h"

namespace velmora::ooxml {

// Replaces each _xHHHH_ by the UTF-16 unit it names (a pair of them by one character; "_x005F_" is a
// literal underscore). A lone surrogate becomes "?".
std::string decodeEscapes(std::string_view utf8);

// Collects the text of one string item (<si> or <is>): its <t>, or the <t> of each of its rich-text
// runs, joined; phonetic runs (<rPh>) are guides for reading, not part of the text.
class StringItem {
public:
    void startElement(std::string_view localName);
    void endElement(std::string_view localName);
    // False when the text grows beyond any cell's.
    bool characters(std::string_view text);
    void clear();
    // The text as GBK.
    text::Text take();

private:
    std::string m_utf8;
    int m_phoneticDepth = 0;
    bool m_inText = false;
};

using package::kMaxCellTextBytes;

// Reads the shared strings part into GBK texts.
package::PartStatus readSharedStrings(const package::XmlSource& source, std::vector<text::Text>& out);

}  // namespace velmora::ooxml
