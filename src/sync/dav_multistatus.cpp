#include "dav_multistatus.h"

namespace qor {

const XmlElement* DavResponse::prop(std::string_view ns, std::string_view name) const
{
    for (const XmlElement* p : found)
        if (p->is(ns, name))
            return p;
    return nullptr;
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

int statusCode(std::string_view statusLine)
{
    const std::size_t space = statusLine.find(' ');
    if (space == std::string_view::npos)
        return 0;
    int code = 0;
    for (std::size_t i = space + 1; i < statusLine.size() && i < space + 4; ++i) {
        if (statusLine[i] < '0' || statusLine[i] > '9')
            return 0;
        code = code * 10 + (statusLine[i] - '0');
    }
    return code;
}

std::vector<DavResponse> davResponses(const XmlElement& root)
{
    std::vector<DavResponse> responses;
    if (!root.is(kDav, "multistatus"))
        return responses;
    for (const XmlElement* r : root.childrenNamed(kDav, "response")) {
        DavResponse response;
        if (const XmlElement* href = r->child(kDav, "href"))
            response.href = trimmed(href->text);
        if (const XmlElement* status = r->child(kDav, "status"))
            response.status = statusCode(trimmed(status->text));
        for (const XmlElement* propstat : r->childrenNamed(kDav, "propstat")) {
            const XmlElement* status = propstat->child(kDav, "status");
            const XmlElement* props = propstat->child(kDav, "prop");
            if (status == nullptr || props == nullptr || statusCode(trimmed(status->text)) != 200)
                continue;
            for (const XmlElement& p : props->children)
                response.found.push_back(&p);
        }
        if (!response.href.empty())
            responses.push_back(std::move(response));
    }
    return responses;
}

} // namespace qor
