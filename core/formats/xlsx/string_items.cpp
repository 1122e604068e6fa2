// SPDX-License-Identifier: GPL-3.0-or-later
#include "ooxml/string_items.h"

#include <optional>

#include "package/cell_values.h"
#include "text/encoding.h"

namespace velmora::ooxml {
namespace {

std::optional<unsigned> hexUnit(std::string_view text, std::size_t at) {
    // "_xHHHH_": seven characters from `at`.
    if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
        return std::nullopt;
    unsigned unit = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const char c = text[i];
        unit <<= 4;
        if (c >= '0' && c <= '9') {
            unit |= static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            unit |= static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            unit |= static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
    }
    return unit;
}

void appendUtf8(std::string& out, unsigned codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

class SharedStringsHandler : public package::XmlHandler {
public:
    explicit SharedStringsHandler(std::vector<text::Text>& out) : m_out(out) {}

    void startElement(std::string_view localName, std::string_view, const package::XmlAttributes&) override {
        if (localName == "si") {
            m_item.clear();
            m_inItem = true;
        } else if (m_inItem) {
            m_item.startElement(localName);
        }
    }
    void endElement(std::string_view localName, std::string_view) override {
        if (localName == "si") {
            m_out.push_back(m_item.take());
            m_inItem = false;
        } else if (m_inItem) {
            m_item.endElement(localName);
        }
    }
    void characters(std::string_view text) override {
        if (m_inItem && !m_item.characters(text)) fail();
    }

private:
    std::vector<text::Text>& m_out;
    StringItem m_item;
    bool m_inItem = false;
};

}  // namespace

std::string decodeEscapes(std::string_view utf8) {
    if (utf8.find("_x") == std::string_view::npos) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto unit = utf8[i] == '_' ? hexUnit(utf8, i) : std::nullopt;
        if (!unit) {
            out += utf8[i++];
            continue;
        }
        i += 7;
        if (*unit >= 0xD800 && *unit <= 0xDBFF) {
            const auto low = hexUnit(utf8, i);
            if (low && *low >= 0xDC00 && *low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
                i += 7;
                continue;
            }
            out += '?';
        } else if (*unit >= 0xDC00 && *unit <= 0xDFFF) {
            out += '?';
        } else {
            appendUtf8(out, *unit);
        }
    }
    return out;
}

void StringItem::startElement(std::string_view localName) {
    if (localName == "rPh") {
        ++m_phoneticDepth;
    } else if (localName == "t" && m_phoneticDepth == 0) {
        m_inText = true;
    }
}

void StringItem::endElement(std::string_view localName) {
    if (localName == "rPh") {
        --m_phoneticDepth;
    } else if (localName == "t") {
        m_inText = false;
    }
}

bool StringItem::characters(std::string_view text) {
    if (!m_inText) return true;
    if (m_utf8.size() + text.size() > kMaxCellTextBytes) return false;
    m_utf8.append(text);
    return true;
}

void StringItem::clear() {
    m_utf8.clear();
    m_phoneticDepth = 0;
    m_inText = false;
}

text::Text StringItem::take() {
    text::Text gbk = text::gbkFromUtf8(decodeEscapes(m_utf8));
    clear();
    return gbk;
}

package::PartStatus readSharedStrings(const package::XmlSource& source, std::vector<text::Text>& out) {
    out.clear();
    SharedStringsHandler handler(out);
    return package::parseXml(source, handler);
}

}  // namespace velmora::ooxml
