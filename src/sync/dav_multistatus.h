#pragma once

#include "xml_reader.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

inline constexpr std::string_view kDav = "DAV:";
inline constexpr std::string_view kCardDav = "urn:ietf:params:xml:ns:carddav";

// One <response> of a 207 Multi-Status: its href, the status the response gives as a whole (0
// when it gives it per property), and the properties that came back with 200.
struct DavResponse {
    std::string href;
    int status = 0;
    std::vector<const XmlElement*> found; // the <prop> children of 200 propstats

    const XmlElement* prop(std::string_view ns, std::string_view name) const;
};

// The responses of a multistatus document, which must outlive them. Empty when the root is not
// DAV:multistatus.
std::vector<DavResponse> davResponses(const XmlElement& root);

// The code of an HTTP status line ("HTTP/1.1 404 Not Found" -> 404), 0 when there is none.
int statusCode(std::string_view statusLine);

// Trims white space at both ends: servers indent hrefs and tokens.
std::string trimmed(std::string_view text);

} // namespace qor
