#pragma once

#include "http_exchange.h"
#include "sync_url.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qor {

// Why a request to the server did not do what it was for.
enum class DavFault {
    None,
    Unreachable, // no reply: the server went away, a timeout, a refused connection, TLS
    Refused,     // 401 or 403: the user name or password
    Server,      // a 5xx, or a reply that is not what the protocol says
    Stale,       // 412: the card changed on the server since it was listed
    NotFound,    // 404
};

struct DavOutcome {
    DavFault fault = DavFault::None;
    std::string message; // for the user, when fault != None
    bool ok() const { return fault == DavFault::None; }
};

// What listing the address book found. A full listing names every card; a listing of the
// changes since a sync token names the cards changed or added and those removed.
struct CardListing {
    DavOutcome outcome;
    bool full = true;
    std::map<std::string, std::string> etags; // href -> ETag
    std::set<std::string> removed;            // hrefs, changes only
    std::string syncToken;                    // "" when the server offers none
    bool tokenRefused = false;                // the server no longer knows the token given
    bool noSyncCollection = false;            // the server lists only by PROPFIND
};

struct FetchedCard {
    std::string etag;
    std::string vcard;
};

struct WriteOutcome {
    DavOutcome outcome;
    std::string etag; // from the reply, "" when the server sent none
};

// The CardDAV requests a sync makes, over a transport. Every reply is checked; nothing here
// decides what to change.
class CardDavClient {
public:
    explicit CardDavClient(HttpTransport& transport) : m_transport(transport) {}

    // Finds the address book from what the user gave: the address book itself, a principal, an
    // address-book home, or just the server (through /.well-known/carddav and the user's
    // principal). The first address book of the home is taken.
    DavOutcome discover(const std::string& url, std::string& addressBook);

    // Lists the cards with their ETags: by sync-collection from `token` when the server offers
    // it ("" for a first, full listing), else by PROPFIND Depth 1. A token the server refuses
    // gives tokenRefused, and the caller lists again from "".
    CardListing list(const std::string& addressBook, const std::string& token, bool useSyncCollection);

    // Fetches cards by addressbook-multiget, 100 to a request. A card the server no longer has
    // is missing from `cards`.
    DavOutcome fetch(const std::string& addressBook, const std::vector<std::string>& hrefs,
                     std::map<std::string, FetchedCard>& cards);

    // PUT of a card: new (If-None-Match: *) when `etag` is empty, else over that ETag only.
    WriteOutcome put(const std::string& addressBook, const std::string& href, const std::string& vcard,
                     const std::string& etag);
    // DELETE over that ETag only. A card already gone is no fault.
    DavOutcome remove(const std::string& addressBook, const std::string& href, const std::string& etag);

private:
    HttpReply send(std::string method, const std::string& url, std::string body, std::string depth,
                   std::vector<std::pair<std::string, std::string>> extra = {});
    // Follows up to five redirects of a PROPFIND.
    HttpReply propfind(std::string& url, const std::string& body, const std::string& depth);
    CardListing listByPropfind(const std::string& addressBook);

    HttpTransport& m_transport;
};

// The fault a reply's status means ("" message when it succeeded).
DavOutcome outcomeOf(const HttpReply& reply, std::string_view doing);

} // namespace qor
