// SPDX-License-Identifier: GPL-3.0-or-later
#include "reconcile/report.h"

#include "text/phrases.h"

namespace velmora::reconcile {
namespace {

const Text kRuleLine(77, '-');

bool unfitForFileName(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
           c == '"' || c == '<' || c == '>' || c == '|';
}

bool inRange(std::string_view text, std::size_t pos, unsigned char low, unsigned char high) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    return byte >= low && byte <= high;
}

// The length of the multi-byte character at `pos`, or 0 where none starts: two bytes (lead 0x81-0xFE,
// trail 0x40-0xFE other than 0x7F, which may look like "\" or "|") or four (lead, digit, lead, digit)
// for a character beyond GBK. A control byte or "/" after a lead byte therefore stays a byte of its own.
std::size_t multiByteLength(std::string_view text, std::size_t pos) {
    const std::size_t left = text.size() - pos;
    if (left < 2 || !inRange(text, pos, 0x81, 0xFE)) return 0;
    if (inRange(text, pos + 1, 0x40, 0xFE) && text[pos + 1] != '\x7F') return 2;
    if (left >= 4 && inRange(text, pos + 1, '0', '9') && inRange(text, pos + 2, 0x81, 0xFE) &&
        inRange(text, pos + 3, '0', '9'))
        return 4;
    return 0;
}

}  // namespace

Text reportContent(std::string_view summary, std::string_view notFoundList, std::string_view mismatchList) {
    return text::join(summary, "\r\n", kRuleLine, phrases::reportNotFoundHeading(), notFoundList, "\r\n",
                      kRuleLine, phrases::reportMismatchHeading(), mismatchList, "\r\n", kRuleLine);
}

Text reportFileName(std::string_view unitText) {
    Text name;
    name.reserve(unitText.size() + phrases::reportSuffix().size());
    for (std::size_t pos = 0; pos < unitText.size();) {
        if (const std::size_t len = multiByteLength(unitText, pos)) {
            name.append(unitText.substr(pos, len));
            pos += len;
            continue;
        }
        // A high byte that starts no character would join the byte after it, "_" included, into some
        // other character once the name is converted; it is replaced like any unfit byte.
        const char byte = unitText[pos++];
        name += byte & 0x80 || unfitForFileName(byte) ? '_' : byte;
    }
    name += phrases::reportSuffix();
    return name;
}

}  // namespace velmora::reconcile
