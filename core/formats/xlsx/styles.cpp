// SPDX-License-Identifier: GPL-3.0-or-later
// Date styles: a cell shows a date when its style's number format does, judged as for .xls files.
#include <charconv>
#include <map>

#include "ooxml/workbook_parts.h"
#include "package/cell_values.h"
#include "package/xml_parser.h"
#include "sheet/number_formats.h"
#include "text/encoding.h"

namespace velmora::ooxml {
namespace {

int formatIdOf(const package::XmlAttributes& attributes) {
    const std::string_view text = attributes.value("numFmtId").value_or("0");
    int id = 0;
    std::from_chars(text.data(), text.data() + text.size(), id);
    return id;
}

class StylesHandler : public package::XmlHandler {
public:
    explicit StylesHandler(std::vector<bool>& dateStyles) : m_dateStyles(dateStyles) {}

    void startElement(std::string_view localName, std::string_view,
                      const package::XmlAttributes& attributes) override {
        if (localName == "numFmt") {
            // Formats are defined before the styles that use them.
            m_formatIsDate[formatIdOf(attributes)] =
                sheet::isDateFormatString(text::gbkFromUtf8(attributes.value("formatCode").value_or("")));
        } else if (localName == "cellXfs") {
            m_inCellStyles = true;
        } else if (localName == "xf" && m_inCellStyles) {
            const int id = formatIdOf(attributes);
            const auto defined = m_formatIsDate.find(id);
            m_dateStyles.push_back(defined != m_formatIsDate.end() ? defined->second
                                                                   : sheet::isBuiltInDateFormat(id));
        }
    }
    void endElement(std::string_view localName, std::string_view) override {
        if (localName == "cellXfs") finish();
    }
    void characters(std::string_view) override {}

private:
    std::vector<bool>& m_dateStyles;
    std::map<int, bool> m_formatIsDate;
    bool m_inCellStyles = false;
};

}  // namespace

package::PartStatus readDateStyles(const package::XmlSource& source, std::vector<bool>& dateStyles) {
    dateStyles.clear();
    StylesHandler handler(dateStyles);
    return package::parseXml(source, handler);
}

}  // namespace velmora::ooxml
