// SPDX-License-Identifier: GPL-3.0-or-later
// Streams a part of a zip package through an event parser that never loads a DTD, an external entity
// or an entity of its own, and bounds the nesting depth.
#pragma once

#include <optional>
#include <string_view>

#include "package/zip_package.h"

namespace velmora::package {

// The attributes of one start tag, valid during the call that receives them.
class XmlAttributes {
public:
    // `names`, where given, measures the parser's names (see xml_parser.cpp).
    XmlAttributes(const void* raw, int count, void* names = nullptr)
        : m_raw(raw), m_count(count), m_names(names) {}
    // The value of the attribute with this local name, in any namespace.
    std::optional<std::string_view> value(std::string_view localName) const;
    // The same, only in a namespace whose URI ends with `uriEnd` (prefixes differ between writers).
    std::optional<std::string_view> value(std::string_view localName, std::string_view uriEnd) const;

private:
    const void* m_raw;
    int m_count;
    void* m_names;
};

// Receives the events of one part. Elements are named by local name and namespace URI, so the same
// handler reads files whose writers chose other prefixes or (in the strict variant) other namespaces.
class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void startElement(std::string_view localName, std::string_view uri,
                              const XmlAttributes& attributes) = 0;
    virtual void endElement(std::string_view localName, std::string_view uri) = 0;
    virtual void characters(std::string_view text) = 0;
    // Whether a second handler, fed the document's head and then what follows here, would go on as this
    // one would (see xml_halves.h). Asked only between two pieces of markup.
    virtual bool readyToSplit() const { return false; }

    // Ends the parse early: everything needed has been read.
    void finish() { m_state = State::Finished; }
    // Ends the parse as damaged: the content cannot be trusted.
    void fail() { m_state = State::Failed; }
    bool stopped() const { return m_state != State::Running; }
    bool failed() const { return m_state == State::Failed; }

private:
    enum class State { Running, Finished, Failed };
    State m_state = State::Running;
};

// Where XML comes from: a part of a package, streamed, or bytes in memory (a flat document, fuzzing).
struct XmlSource {
    const ZipPackage* zip = nullptr;
    std::string_view partName;
    std::string_view xml;

    static XmlSource part(const ZipPackage& zip, std::string_view partName) { return {&zip, partName, {}}; }
    static XmlSource memory(std::string_view xml) { return {nullptr, {}, xml}; }
    // The XML's size in bytes; nullopt for a part the package does not hold.
    std::optional<std::size_t> size() const { return zip ? zip->size(partName) : std::optional(xml.size()); }
};

// Parses the XML of `source` into `handler`, as parseXmlPart and parseXml do.
PartStatus parseXml(const XmlSource& source, XmlHandler& handler);

// Parses the part `partName` of `package` into `handler`. BadXml for malformed XML, a DTD, an entity or
// nesting beyond a fixed depth; Refused for a handler that failed; the part's own status otherwise.
PartStatus parseXmlPart(const ZipPackage& package, std::string_view partName, XmlHandler& handler);

// Parses XML held in memory the same way (a flat document).
PartStatus parseXml(std::string_view xml, XmlHandler& handler);

}  // namespace velmora::package
