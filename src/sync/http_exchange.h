#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qor {

// One HTTP request as the sync makes it, and the reply it reads. The engine knows nothing of
// sockets or TLS: a front end carries requests (QtNetwork in the program, a fake in tests).
struct HttpRequest {
    std::string method; // "PROPFIND", "REPORT", "GET", "PUT", "DELETE"
    std::string url;    // absolute
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
};

struct HttpReply {
    int status = 0; // 0: no reply came (the server went away, a timeout, a refused connection)
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string error; // what went wrong on the way, in the transport's words; empty otherwise

    // The header's value (names compared without case), or "" when it is not there.
    std::string header(std::string_view name) const;
    bool ok() const { return status >= 200 && status < 300; }
};

// Carries one request to the server and waits for its reply; redirects are not followed here
// (the engine follows the few it expects). Authentication is the transport's: it answers the
// server's challenge with the account it was given.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;
    virtual HttpReply send(const HttpRequest& request) = 0;
};

} // namespace qor
