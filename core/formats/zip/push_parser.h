// SPDX-License-Identifier: GPL-3.0-or-later
// The event parser fed chunk by chunk, with what reading a part in two halves needs to know of it.
// Used by this folder's XML readers only.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "package/xml_parser.h"

namespace velmora::package {

class PushParser {
public:
    explicit PushParser(XmlHandler& handler);
    ~PushParser();
    PushParser(const PushParser&) = delete;
    PushParser& operator=(const PushParser&) = delete;

    // False once the parse has ended, for whatever reason.
    bool feed(std::string_view chunk);
    // Ends the document; the status parseXml gives.
    PartStatus finish();

    // Notes the first start of an element of this local name in a namespace ending with `uriEnd`.
    void watchFor(std::string_view localName, std::string_view uriEnd);
    // The depth of the watched element when what was fed ended right after its start tag, the parse
    // running and the bytes read as they are; nullopt otherwise.
    std::optional<int> depthOfHeadJustRead() const;
    // Whether everything fed so far ended at element depth `depth`, between two pieces of markup, with
    // the handler ready to hand over (XmlHandler::readyToSplit). Ends the parse either way.
    bool endsAtDepth(int depth);

    class Parser;

private:
    std::unique_ptr<Parser> m_parser;
};

}  // namespace velmora::package
