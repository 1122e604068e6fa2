// SPDX-License-Identifier: GPL-3.0-or-later
// The event parser over libxml2, with everything that reaches outside the document switched off.
#include "package/xml_parser.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <cstdint>
#include <cstring>
#include <mutex>

#include "package/push_parser.h"

namespace velmora::package {
// Not anonymous: the parser behind PushParser keeps this state, and PushParser is seen elsewhere.
inline namespace libxml_events {

// Spreadsheet parts nest a dozen levels; deeper nesting is an attack on the stack or the time.
constexpr int kMaxDepth = 128;
// The element fed after the last real byte of a first half, to see where the parser stands.
constexpr std::string_view kProbeName = "split-probe";

std::string_view viewOf(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// Element and attribute names and namespace URIs come from the parser's dictionary: one pointer per
// distinct name, kept until the parser is freed. Their lengths are remembered by that pointer, so the
// few names of a sheet are not measured again for every cell. Only a pointer the dictionary owns is
// remembered; any other is measured each time.
class NameLengths {
public:
    explicit NameLengths(const xmlParserCtxt* context) : m_dict(context ? context->dict : nullptr) {}

    std::string_view view(const xmlChar* name) {
        if (!name) return {};
        Slot& slot = m_slots[(reinterpret_cast<std::uintptr_t>(name) >> 3) % kSlots];
        if (slot.name != name) {
            const std::size_t length = std::strlen(reinterpret_cast<const char*>(name));
            if (!m_dict || xmlDictOwns(m_dict, name) != 1)
                return {reinterpret_cast<const char*>(name), length};
            slot = {name, length};
        }
        return {reinterpret_cast<const char*>(name), slot.length};
    }

private:
    struct Slot {
        const xmlChar* name = nullptr;
        std::size_t length = 0;
    };
    static constexpr std::size_t kSlots = 61;
    xmlDictPtr m_dict;
    Slot m_slots[kSlots];
};

std::string_view nameOf(void* names, const xmlChar* name) {
    return names ? static_cast<NameLengths*>(names)->view(name) : viewOf(name);
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

struct ParseState {
    explicit ParseState(XmlHandler& handlerToCall) : handler(handlerToCall) {}
    XmlHandler& handler;
    xmlParserCtxtPtr context = nullptr;
    std::optional<NameLengths> names;  // once the context is made
    int depth = 0;
    bool refused = false;  // a DTD, an entity or too deep a nesting
    // The head the halves share (see xml_halves.h): the first start of the element watched for, its
    // depth, and whether any element started after it.
    std::string_view watchedName, watchedUriEnd;
    int watchedDepth = 0;
    bool watchedSeen = false;
    bool startedAfterWatched = false;
    // Once every real byte is fed, the probe element's start is caught here and not handed on.
    bool probeArmed = false;
    bool probeSeen = false;
    int probeDepth = 0;
    bool probeFoundHandlerReady = false;

    void stopIfAsked() {
        if (handler.stopped() && context) xmlStopParser(context);
    }
    void refuse() {
        refused = true;
        if (context) xmlStopParser(context);
    }
};

ParseState& stateOf(void* user) { return *static_cast<ParseState*>(user); }

void onStart(void* user, const xmlChar* localName, const xmlChar*, const xmlChar* uri, int, const xmlChar**,
             int attributeCount, int, const xmlChar** attributes) {
    ParseState& state = stateOf(user);
    if (state.refused || state.handler.stopped()) return;
    NameLengths& names = *state.names;
    const std::string_view name = names.view(localName);
    if (state.probeArmed && name == kProbeName) {
        state.probeSeen = true;
        state.probeDepth = state.depth;
        state.probeFoundHandlerReady = state.handler.readyToSplit();
        return state.refuse();  // nothing after the probe is read
    }
    if (++state.depth > kMaxDepth) return state.refuse();
    const std::string_view namespaceUri = names.view(uri);
    if (state.watchedSeen) {
        state.startedAfterWatched = true;
    } else if (!state.watchedName.empty() && name == state.watchedName &&
               endsWith(namespaceUri, state.watchedUriEnd)) {
        state.watchedSeen = true;
        state.watchedDepth = state.depth;
    }
    state.handler.startElement(name, namespaceUri, XmlAttributes(attributes, attributeCount, &names));
    state.stopIfAsked();
}

void onEnd(void* user, const xmlChar* localName, const xmlChar*, const xmlChar* uri) {
    ParseState& state = stateOf(user);
    if (state.refused || state.handler.stopped()) return;
    --state.depth;
    state.handler.endElement(state.names->view(localName), state.names->view(uri));
    state.stopIfAsked();
}

void onCharacters(void* user, const xmlChar* text, int length) {
    ParseState& state = stateOf(user);
    if (state.refused || state.handler.stopped()) return;
    state.handler.characters(
        std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
    state.stopIfAsked();
}

// Workbook parts never declare a DTD or entities; one that does is refused, never expanded or fetched.
void onDoctype(void* user, const xmlChar*, const xmlChar*, const xmlChar*) { stateOf(user).refuse(); }
void onEntityDeclaration(void* user, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    stateOf(user).refuse();
}
xmlEntityPtr onEntityLookup(void* user, const xmlChar*) {
    stateOf(user).refuse();
    return nullptr;
}
xmlParserInputPtr onResolveEntity(void* user, const xmlChar*, const xmlChar*) {
    stateOf(user).refuse();
    return nullptr;
}
void onStructuredError(void*, xmlErrorPtr) {}
void onError(void*, const char*, ...) {}

xmlSAXHandler makeHandler() {
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = onStart;
    sax.endElementNs = onEnd;
    sax.characters = onCharacters;
    sax.cdataBlock = onCharacters;
    sax.internalSubset = onDoctype;
    sax.externalSubset = onDoctype;
    sax.entityDecl = onEntityDeclaration;
    sax.getEntity = onEntityLookup;
    sax.getParameterEntity = onEntityLookup;
    sax.resolveEntity = onResolveEntity;
    sax.serror = onStructuredError;
    sax.error = onError;
    sax.warning = onError;
    sax.fatalError = onError;
    return sax;
}

}  // namespace libxml_events

// Feeds chunks to a push parser created on the first one, so the encoding is detected from its start.
class PushParser::Parser {
public:
    explicit Parser(XmlHandler& handler) : m_state(handler) {
        initialise();
        // Some faults (a bad byte for the declared encoding) bypass the handler's error callbacks and go
        // to this thread's generic handler, which would print them; the parse reports them as damage.
        xmlSetGenericErrorFunc(nullptr, onError);
    }
    ~Parser() {
        if (m_state.context) xmlFreeParserCtxt(m_state.context);
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // False once the parse has ended, for whatever reason.
    bool feed(std::string_view chunk) {
        if (!m_state.context) {
            m_sax = makeHandler();
            m_state.context = xmlCreatePushParserCtxt(&m_sax, &m_state, nullptr, 0, nullptr);
            if (!m_state.context) {
                m_state.refused = true;
                return false;
            }
            m_state.names.emplace(m_state.context);
            // No network, no external DTD, libxml2's own size limits kept. Entities are substituted so
            // that attribute values arrive decoded (libxml2 otherwise hands "&amp;" over as "&#38;"):
            // a document declaring an entity of its own is refused above, so only the predefined ones
            // and character references are ever substituted.
            xmlCtxtUseOptions(m_state.context, XML_PARSE_NONET | XML_PARSE_NOENT);
        }
        xmlParseChunk(m_state.context, chunk.data(), static_cast<int>(chunk.size()), 0);
        return running();
    }

    PartStatus finish() {
        if (!m_state.context) return PartStatus::BadXml;  // an empty part is no XML document
        if (running()) xmlParseChunk(m_state.context, nullptr, 0, 1);
        if (m_state.refused) return PartStatus::BadXml;
        if (m_state.handler.failed()) return PartStatus::Refused;
        if (m_state.handler.stopped()) return PartStatus::Ok;
        return m_state.context->wellFormed ? PartStatus::Ok : PartStatus::BadXml;
    }

    ParseState& state() { return m_state; }
    // True while the bytes are read as they are, UTF-8 or ASCII, with no conversion: only then does a
    // byte offset found in the raw text mean the same place to the parser.
    bool readsBytesAsTheyAre() const {
        const xmlParserCtxt* context = m_state.context;
        return context && context->input && context->input->buf && !context->input->buf->encoder &&
               context->charset == XML_CHAR_ENCODING_UTF8;
    }

private:
    static void initialise() {
        static std::once_flag once;
        std::call_once(once, [] { xmlInitParser(); });
    }
    bool running() const {
        return !m_state.refused && !m_state.handler.stopped() && m_state.context->wellFormed &&
               !m_state.context->disableSAX;
    }

    xmlSAXHandler m_sax{};
    ParseState m_state;
};

namespace {
constexpr std::size_t kMemoryChunk = std::size_t{1} << 18;
}  // namespace

PushParser::PushParser(XmlHandler& handler) : m_parser(std::make_unique<Parser>(handler)) {}
PushParser::~PushParser() = default;
bool PushParser::feed(std::string_view chunk) { return m_parser->feed(chunk); }
PartStatus PushParser::finish() { return m_parser->finish(); }

void PushParser::watchFor(std::string_view localName, std::string_view uriEnd) {
    m_parser->state().watchedName = localName;
    m_parser->state().watchedUriEnd = uriEnd;
}

std::optional<int> PushParser::depthOfHeadJustRead() const {
    const ParseState& state = m_parser->state();
    if (!state.watchedSeen || state.startedAfterWatched || state.refused || state.handler.stopped() ||
        !m_parser->readsBytesAsTheyAre())
        return std::nullopt;
    return state.watchedDepth;
}

bool PushParser::endsAtDepth(int depth) {
    ParseState& state = m_parser->state();
    if (state.refused || state.handler.stopped() || !m_parser->readsBytesAsTheyAre()) return false;
    state.probeArmed = true;
    const std::string probe = "<" + std::string(kProbeName) + "/>";
    m_parser->feed(probe);
    return state.probeSeen && state.probeDepth == depth && state.probeFoundHandlerReady;
}

std::optional<std::string_view> XmlAttributes::value(std::string_view localName) const {
    const auto* raw = static_cast<const xmlChar* const*>(m_raw);
    for (int i = 0; i < m_count; ++i) {
        const xmlChar* const* attribute = raw + 5 * i;
        if (nameOf(m_names, attribute[0]) == localName)
            return std::string_view(reinterpret_cast<const char*>(attribute[3]),
                                    static_cast<std::size_t>(attribute[4] - attribute[3]));
    }
    return std::nullopt;
}

std::optional<std::string_view> XmlAttributes::value(std::string_view localName,
                                                     std::string_view uriEnd) const {
    const auto* raw = static_cast<const xmlChar* const*>(m_raw);
    for (int i = 0; i < m_count; ++i) {
        const xmlChar* const* attribute = raw + 5 * i;
        if (nameOf(m_names, attribute[0]) == localName && endsWith(nameOf(m_names, attribute[2]), uriEnd))
            return std::string_view(reinterpret_cast<const char*>(attribute[3]),
                                    static_cast<std::size_t>(attribute[4] - attribute[3]));
    }
    return std::nullopt;
}

PartStatus parseXmlPart(const ZipPackage& package, std::string_view partName, XmlHandler& handler) {
    PushParser::Parser parser(handler);
    const PartStatus status =
        package.read(partName, [&parser](std::string_view chunk) { return parser.feed(chunk); });
    if (status != PartStatus::Ok) return status;
    return parser.finish();
}

PartStatus parseXml(const XmlSource& source, XmlHandler& handler) {
    return source.zip ? parseXmlPart(*source.zip, source.partName, handler) : parseXml(source.xml, handler);
}

PartStatus parseXml(std::string_view xml, XmlHandler& handler) {
    PushParser::Parser parser(handler);
    while (!xml.empty()) {
        const std::string_view chunk = xml.substr(0, kMemoryChunk);
        xml.remove_prefix(chunk.size());
        if (!parser.feed(chunk)) break;
    }
    return parser.finish();
}

}  // namespace velmora::package
