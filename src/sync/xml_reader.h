#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// An element of a WebDAV reply: its namespace (the URI its prefix stands for, "" for none) and
// local name, its text (the character data directly inside it, entities read), its children.
struct XmlElement {
    std::string ns;
    std::string name;
    std::string text;
    std::vector<XmlElement> children;

    bool is(std::string_view wantNs, std::string_view wantName) const { return ns == wantNs && name == wantName; }
    // The first child with that name, or nullptr.
    const XmlElement* child(std::string_view wantNs, std::string_view wantName) const;
    // Every child with that name, in order.
    std::vector<const XmlElement*> childrenNamed(std::string_view wantNs, std::string_view wantName) const;
    // The first element with that name at any depth below this one (this one excluded).
    const XmlElement* find(std::string_view wantNs, std::string_view wantName) const;
};

struct XmlDocument {
    std::optional<XmlElement> root; // empty when the text is not well-formed XML
    std::string error;              // why, when it is not
};

// Reads the XML a WebDAV server sends: the declaration, comments, processing instructions and
// a DOCTYPE without an internal subset are skipped; elements with attributes, namespace
// declarations (default and prefixed, scoped to their element), CDATA, the five named entities
// and character references are read. Refuses, with a reason and never a partial tree: an
// unclosed or mismatched element, an undeclared prefix, an unknown entity, a DOCTYPE with
// declarations of its own (no entity expansion, so no "billion laughs"), and nesting deeper than
// 256 elements.
XmlDocument readXml(std::string_view text);

// `text` with &, <, > and " written as entities, for a request's body.
std::string xmlEscaped(std::string_view text);

} // namespace qor
