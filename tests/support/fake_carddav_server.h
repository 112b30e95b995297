#pragma once

// An address book in memory that answers the sync's requests as a CardDAV server does: the
// engine's tests run against it without a network. It keeps a change log for sync tokens, checks
// If-Match and If-None-Match, and can fail on purpose.
#include "http_exchange.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qor::testing {

class FakeCardDavServer : public HttpTransport {
public:
    static constexpr const char* kBook = "http://127.0.0.1:5232/u/book/";
    static constexpr const char* kPath = "/u/book/";

    struct Card {
        std::string etag;
        std::string text;
    };
    std::map<std::string, Card> cards; // by href (path)
    bool offersSyncCollection = true;
    bool etagInPutReply = true;
    // Fails every request from this one on (0: never) with no reply, as a server gone.
    int failFrom = 0;
    int requests = 0;
    // Called before each request is answered, with its method and count of that method so far.
    std::function<void(const std::string& method, int count)> before;
    std::vector<std::string> log; // "METHOD path"

    void put(const std::string& name, const std::string& text)
    {
        const std::string href = kPath + name;
        cards[href] = {"\"e" + std::to_string(++m_version) + "\"", text};
        m_changes.push_back(href);
    }
    void remove(const std::string& name)
    {
        cards.erase(kPath + name);
        m_changes.push_back(kPath + name);
        ++m_version;
    }
    // Forgets every token given so far.
    void forgetTokens() { m_epoch += 1; }

    HttpReply send(const HttpRequest& request) override
    {
        ++requests;
        const std::string path = request.url.substr(request.url.find('/', 8));
        log.push_back(request.method + " " + path);
        if (before)
            before(request.method, ++m_counts[request.method]);
        if (failFrom > 0 && requests >= failFrom)
            return HttpReply{0, {}, {}, "Connection refused"};
        if (request.method == "PROPFIND")
            return propfind(path, header(request, "Depth"));
        if (request.method == "REPORT")
            return request.body.find("sync-collection") != std::string::npos ? syncCollection(request.body)
                                                                              : multiget(request.body);
        if (request.method == "PUT")
            return putCard(path, request);
        if (request.method == "DELETE")
            return deleteCard(path, request);
        return {405, {}, {}, {}};
    }

private:
    static std::string header(const HttpRequest& r, const std::string& name)
    {
        for (const auto& [n, v] : r.headers)
            if (n == name)
                return v;
        return {};
    }
    static std::string response(const std::string& href, const std::string& props)
    {
        return "<d:response><d:href>" + href + "</d:href><d:propstat><d:prop>" + props
            + "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
    }
    static HttpReply multistatus(const std::string& inner)
    {
        return {207, {}, "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                         "xmlns:card=\"urn:ietf:params:xml:ns:carddav\">" + inner + "</d:multistatus>", {}};
    }
    std::string token() const { return "tok-" + std::to_string(m_epoch) + "-" + std::to_string(m_changes.size()); }

    HttpReply propfind(const std::string& path, const std::string& depth)
    {
        if (path == "/")
            return multistatus(response("/", "<d:current-user-principal><d:href>/u/</d:href></d:current-user-principal>"));
        if (path == "/u/" && depth == "0")
            return multistatus(response("/u/", "<card:addressbook-home-set><d:href>/u/</d:href></card:addressbook-home-set>"));
        if (path == "/u/")
            return multistatus(response("/u/", "<d:resourcetype><d:collection/></d:resourcetype>")
                               + response(kPath, "<d:resourcetype><d:collection/><card:addressbook/></d:resourcetype>"));
        if (path != kPath)
            return {404, {}, {}, {}};
        std::string inner = response(kPath, "<d:resourcetype><d:collection/><card:addressbook/></d:resourcetype>");
        if (depth == "1")
            for (const auto& [href, card] : cards)
                inner += response(href, "<d:getetag>" + card.etag + "</d:getetag><d:resourcetype/>");
        return multistatus(inner);
    }
    HttpReply syncCollection(const std::string& body)
    {
        if (!offersSyncCollection)
            return {403, {}, "<d:error xmlns:d=\"DAV:\"><d:supported-report/></d:error>", {}};
        const std::size_t open = body.find("<D:sync-token>") + 14;
        const std::string given = body.substr(open, body.find("</D:sync-token>") - open);
        std::size_t from = 0;
        if (!given.empty()) {
            const std::string prefix = "tok-" + std::to_string(m_epoch) + "-";
            if (!given.starts_with(prefix))
                return {403, {}, "<d:error xmlns:d=\"DAV:\"><d:valid-sync-token/></d:error>", {}};
            from = std::stoul(given.substr(prefix.size()));
        }
        std::map<std::string, bool> changed;
        if (given.empty())
            for (const auto& [href, card] : cards)
                changed[href] = true;
        for (std::size_t i = from; i < m_changes.size() && !given.empty(); ++i)
            changed[m_changes[i]] = true;
        std::string inner;
        for (const auto& [href, yes] : changed) {
            const auto card = cards.find(href);
            if (card == cards.end())
                inner += "<d:response><d:href>" + href + "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
            else
                inner += response(href, "<d:getetag>" + card->second.etag + "</d:getetag>");
        }
        return multistatus(inner + "<d:sync-token>" + token() + "</d:sync-token>");
    }
    HttpReply multiget(const std::string& body)
    {
        std::string inner;
        for (std::size_t at = body.find("<D:href>"); at != std::string::npos; at = body.find("<D:href>", at + 1)) {
            const std::size_t start = at + 8;
            const std::string href = body.substr(start, body.find("</D:href>", start) - start);
            const auto card = cards.find(href);
            if (card == cards.end())
                inner += "<d:response><d:href>" + href + "</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>";
            else
                inner += response(href, "<d:getetag>" + card->second.etag + "</d:getetag><card:address-data><![CDATA["
                                            + card->second.text + "]]></card:address-data>");
        }
        return multistatus(inner);
    }
    HttpReply putCard(const std::string& path, const HttpRequest& request)
    {
        const auto card = cards.find(path);
        const std::string ifMatch = header(request, "If-Match");
        if ((header(request, "If-None-Match") == "*" && card != cards.end())
            || (!ifMatch.empty() && (card == cards.end() || card->second.etag != ifMatch)))
            return {412, {}, {}, {}};
        put(path.substr(std::string(kPath).size()), request.body);
        HttpReply reply{201, {}, {}, {}};
        if (etagInPutReply)
            reply.headers.emplace_back("ETag", cards[path].etag);
        return reply;
    }
    HttpReply deleteCard(const std::string& path, const HttpRequest& request)
    {
        const auto card = cards.find(path);
        if (card == cards.end())
            return {404, {}, {}, {}};
        if (const std::string ifMatch = header(request, "If-Match"); !ifMatch.empty() && card->second.etag != ifMatch)
            return {412, {}, {}, {}};
        remove(path.substr(std::string(kPath).size()));
        return {204, {}, {}, {}};
    }

    std::vector<std::string> m_changes; // hrefs, in the order they changed
    int m_version = 0;
    int m_epoch = 0;
    std::map<std::string, int> m_counts;
};

} // namespace qor::test
