#include "carddav_client.h"

#include "dav_multistatus.h"

#include <algorithm>

namespace qor {

namespace {

constexpr std::size_t kFetchBatch = 100;
constexpr int kMostRedirects = 5;

const std::string kXmlHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const std::string kNamespaces = " xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"";

std::string propfindBody(std::string_view props)
{
    return kXmlHead + "<D:propfind" + kNamespaces + "><D:prop>" + std::string(props) + "</D:prop></D:propfind>";
}

bool isRedirect(int status) { return status == 301 || status == 302 || status == 307 || status == 308; }

bool isAddressBook(const DavResponse& r)
{
    const XmlElement* type = r.prop(kDav, "resourcetype");
    return type != nullptr && type->child(kCardDav, "addressbook") != nullptr;
}

// The href inside a property such as current-user-principal, "" when there is none.
std::string hrefIn(const DavResponse& r, std::string_view ns, std::string_view name)
{
    const XmlElement* p = r.prop(ns, name);
    const XmlElement* href = p == nullptr ? nullptr : p->child(kDav, "href");
    return href == nullptr ? std::string() : trimmed(href->text);
}

// Whether `href` names the collection at `collection` itself.
bool isCollection(std::string_view href, const std::string& collection)
{
    std::string a = hrefKey(href), b = hrefKey(collection);
    while (a.size() > 1 && a.back() == '/')
        a.pop_back();
    while (b.size() > 1 && b.back() == '/')
        b.pop_back();
    return a == b;
}

// The reply's Multi-Status document; without a root, `outcome` says why there is none.
XmlDocument multistatusOf(const HttpReply& reply, std::string_view doing, DavOutcome& outcome)
{
    if (reply.status != 207) {
        outcome = outcomeOf(reply, doing);
        if (outcome.ok())
            outcome = {DavFault::Server, "the server did not answer with a Multi-Status while " + std::string(doing)};
        return {};
    }
    XmlDocument doc = readXml(reply.body);
    if (!doc.root)
        outcome = {DavFault::Server, "the server's reply is not XML while " + std::string(doing) + " (" + doc.error + ")"};
    return doc;
}

} // namespace

DavOutcome outcomeOf(const HttpReply& reply, std::string_view doing)
{
    DavOutcome outcome;
    const std::string what(doing);
    if (reply.status == 0) {
        outcome.fault = DavFault::Unreachable;
        outcome.message = "no reply from the server while " + what + (reply.error.empty() ? "" : ": " + reply.error);
    } else if (reply.status == 401 || reply.status == 403) {
        outcome.fault = DavFault::Refused;
        outcome.message = "the server refused the user name or password while " + what + " (HTTP "
            + std::to_string(reply.status) + ")";
    } else if (reply.status == 412) {
        outcome.fault = DavFault::Stale;
        outcome.message = "the card changed on the server while " + what;
    } else if (reply.status == 404) {
        outcome.fault = DavFault::NotFound;
        outcome.message = "the server has no such address book or card while " + what + " (HTTP 404)";
    } else if (!reply.ok()) {
        outcome.fault = DavFault::Server;
        outcome.message = "the server answered HTTP " + std::to_string(reply.status) + " while " + what;
    }
    return outcome;
}

HttpReply CardDavClient::send(std::string method, const std::string& url, std::string body, std::string depth,
                              std::vector<std::pair<std::string, std::string>> extra)
{
    HttpRequest request{std::move(method), url, std::move(extra), std::move(body)};
    if (!depth.empty())
        request.headers.emplace_back("Depth", std::move(depth));
    if (!request.body.empty() && request.method != "PUT")
        request.headers.emplace_back("Content-Type", "application/xml; charset=utf-8");
    return m_transport.send(request);
}

HttpReply CardDavClient::propfind(std::string& url, const std::string& body, const std::string& depth)
{
    HttpReply reply = send("PROPFIND", url, body, depth);
    for (int i = 0; i < kMostRedirects && isRedirect(reply.status); ++i) {
        const std::string location = reply.header("Location");
        if (location.empty())
            break;
        url = resolveHref(parseSyncUrl(url), location);
        reply = send("PROPFIND", url, body, depth);
    }
    return reply;
}

DavOutcome CardDavClient::discover(const std::string& given, std::string& addressBook)
{
    const std::string body = propfindBody("<D:resourcetype/><D:current-user-principal/><C:addressbook-home-set/>");
    std::string url = given;
    HttpReply reply = propfind(url, body, "0");
    if (reply.status == 404 || reply.status == 405 || reply.status == 400) {
        url = parseSyncUrl(given).origin() + "/.well-known/carddav";
        reply = propfind(url, body, "0");
    }
    if (reply.status != 207) {
        DavOutcome outcome = outcomeOf(reply, "finding the address book");
        if (outcome.ok())
            outcome = {DavFault::Server, "the server did not answer a PROPFIND at " + url};
        return outcome;
    }
    // At most three steps down: principal, home, address book.
    for (int step = 0; step < 3; ++step) {
        const XmlDocument doc = readXml(reply.body);
        if (!doc.root)
            return {DavFault::Server, "the server's reply is not XML (" + doc.error + ")"};
        const std::vector<DavResponse> responses = davResponses(*doc.root);
        if (responses.empty())
            return {DavFault::Server, "the server's reply names nothing at " + url};
        const SyncUrl here = parseSyncUrl(url);
        for (const DavResponse& r : responses)
            if (isAddressBook(r) && (step > 0 || isCollection(r.href, here.path))) {
                addressBook = resolveHref(here, r.href);
                if (addressBook.back() != '/')
                    addressBook += '/';
                return {};
            }
        if (step > 0 && responses.size() > 1)
            return {DavFault::NotFound, "the server holds no address book under " + url};
        std::string next = hrefIn(responses.front(), kCardDav, "addressbook-home-set");
        if (!next.empty()) {
            url = resolveHref(here, next);
            reply = propfind(url, propfindBody("<D:resourcetype/>"), "1");
        } else if (next = hrefIn(responses.front(), kDav, "current-user-principal"); !next.empty()
                   && !isCollection(next, here.path)) {
            url = resolveHref(here, next);
            reply = propfind(url, body, "0");
        } else {
            return {DavFault::NotFound, "no address book found at " + given};
        }
        if (reply.status != 207) {
            DavOutcome outcome = outcomeOf(reply, "finding the address book");
            return outcome.ok() ? DavOutcome{DavFault::Server, "unexpected reply at " + url} : outcome;
        }
    }
    return {DavFault::NotFound, "no address book found at " + given};
}

CardListing CardDavClient::list(const std::string& addressBook, const std::string& token, bool useSyncCollection)
{
    if (!useSyncCollection)
        return listByPropfind(addressBook);
    const std::string body = kXmlHead + "<D:sync-collection" + kNamespaces + "><D:sync-token>" + xmlEscaped(token)
        + "</D:sync-token><D:sync-level>1</D:sync-level><D:prop><D:getetag/></D:prop></D:sync-collection>";
    const HttpReply reply = send("REPORT", addressBook, body, "0");
    CardListing listing;
    if (reply.body.find("valid-sync-token") != std::string::npos && (reply.status == 403 || reply.status == 409)) {
        listing.tokenRefused = true;
        return listing;
    }
    if (reply.status == 400 || reply.status == 403 || reply.status == 405 || reply.status == 415
        || reply.status == 501 || (reply.status == 207 && reply.body.find("sync-token") == std::string::npos)) {
        listing = listByPropfind(addressBook);
        listing.noSyncCollection = true;
        return listing;
    }
    const XmlDocument doc = multistatusOf(reply, "listing the address book", listing.outcome);
    if (!doc.root)
        return listing;
    listing.full = token.empty();
    if (const XmlElement* newToken = doc.root->child(kDav, "sync-token"))
        listing.syncToken = trimmed(newToken->text);
    for (const DavResponse& r : davResponses(*doc.root)) {
        if (isCollection(r.href, parseSyncUrl(addressBook).path))
            continue;
        if (r.status == 404)
            listing.removed.insert(r.href);
        else if (const XmlElement* etag = r.prop(kDav, "getetag"))
            listing.etags[r.href] = trimmed(etag->text);
    }
    return listing;
}

CardListing CardDavClient::listByPropfind(const std::string& addressBook)
{
    CardListing listing;
    std::string url = addressBook;
    const HttpReply reply = propfind(url, propfindBody("<D:resourcetype/><D:getetag/>"), "1");
    const XmlDocument doc = multistatusOf(reply, "listing the address book", listing.outcome);
    if (!doc.root)
        return listing;
    const std::string path = parseSyncUrl(addressBook).path;
    for (const DavResponse& r : davResponses(*doc.root)) {
        const XmlElement* type = r.prop(kDav, "resourcetype");
        if (isCollection(r.href, path) || (type != nullptr && type->child(kDav, "collection") != nullptr))
            continue;
        if (const XmlElement* etag = r.prop(kDav, "getetag"))
            listing.etags[r.href] = trimmed(etag->text);
    }
    return listing;
}

DavOutcome CardDavClient::fetch(const std::string& addressBook, const std::vector<std::string>& hrefs,
                                std::map<std::string, FetchedCard>& cards)
{
    // The server may spell an href otherwise in its reply: each is matched by its key.
    std::map<std::string, std::string> asAsked;
    for (const std::string& href : hrefs)
        asAsked[hrefKey(href)] = href;
    for (std::size_t first = 0; first < hrefs.size(); first += kFetchBatch) {
        std::string body = kXmlHead + "<C:addressbook-multiget" + kNamespaces
            + "><D:prop><D:getetag/><C:address-data/></D:prop>";
        for (std::size_t i = first; i < std::min(hrefs.size(), first + kFetchBatch); ++i)
            body += "<D:href>" + xmlEscaped(hrefs[i]) + "</D:href>";
        body += "</C:addressbook-multiget>";
        const HttpReply reply = send("REPORT", addressBook, body, "1");
        DavOutcome outcome;
        const XmlDocument doc = multistatusOf(reply, "fetching cards", outcome);
        if (!doc.root)
            return outcome;
        for (const DavResponse& r : davResponses(*doc.root)) {
            const XmlElement* data = r.prop(kCardDav, "address-data");
            const XmlElement* etag = r.prop(kDav, "getetag");
            const auto asked = asAsked.find(hrefKey(r.href));
            if (data == nullptr || asked == asAsked.end())
                continue;
            cards[asked->second] = FetchedCard{etag == nullptr ? std::string() : trimmed(etag->text), data->text};
        }
    }
    return {};
}

WriteOutcome CardDavClient::put(const std::string& addressBook, const std::string& href, const std::string& vcard,
                                const std::string& etag)
{
    std::vector<std::pair<std::string, std::string>> headers{{"Content-Type", "text/vcard; charset=utf-8"}};
    if (etag.empty())
        headers.emplace_back("If-None-Match", "*");
    else
        headers.emplace_back("If-Match", etag);
    const HttpReply reply = send("PUT", resolveHref(parseSyncUrl(addressBook), href), vcard, "", std::move(headers));
    WriteOutcome written{outcomeOf(reply, "sending a card"), {}};
    if (written.outcome.ok()) {
        written.etag = reply.header("ETag");
        // A weak ETag says nothing of the bytes: the card is listed again next time instead.
        if (written.etag.starts_with("W/"))
            written.etag.clear();
    }
    return written;
}

DavOutcome CardDavClient::remove(const std::string& addressBook, const std::string& href, const std::string& etag)
{
    std::vector<std::pair<std::string, std::string>> headers;
    if (!etag.empty())
        headers.emplace_back("If-Match", etag);
    const HttpReply reply = send("DELETE", resolveHref(parseSyncUrl(addressBook), href), {}, "", std::move(headers));
    DavOutcome outcome = outcomeOf(reply, "deleting a card");
    if (outcome.fault == DavFault::NotFound)
        return {};
    return outcome;
}

} // namespace qor
