// SPDX-License-Identifier: GPL-3.0-or-later
#include "reconcile/report.h"

#include "fileio/files.h"
#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::reconcile {
namespace {

const Text kRuleLine(77, '-');

bool unfitForFileName(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' ||
           c == '"' || c == '<' || c == '>' || c == '|';
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
        const std::size_t len = text::charLength(unitText, pos);
        // Only one-byte characters are checked: the second byte of a two-byte character may equal
        // "|" or "\" and belongs to that character.
        if (len == 1 && unfitForFileName(unitText[pos])) {
            name += '_';
        } else {
            name.append(unitText.substr(pos, len));
        }
        pos += len;
    }
    name += phrases::reportSuffix();
    return name;
}

bool writeReport(const std::string& folder, std::string_view unitText, std::string_view summary,
                 std::string_view notFoundList, std::string_view mismatchList) {
    const std::string path = fileio::joinPath(folder, text::utf8FromGbk(reportFileName(unitText)));
    return fileio::writeFileAtomically(path, reportContent(summary, notFoundList, mismatchList));
}

}  // namespace velmora::reconcile
