#pragma once

#include <string>
#include <string_view>

namespace qor {

// An http(s) address taken apart as the sync needs it.
struct SyncUrl {
    bool valid = false;
    std::string scheme; // "http" or "https", lower case
    std::string host;   // without brackets for an IPv6 address
    std::string authority; // "host:port" as written
    std::string path;   // begins with '/'; "/" when the address has none
    std::string origin() const { return scheme + "://" + authority; }
};

// Reads "http://host[:port][/path]" and "https://..."; anything else is not valid.
SyncUrl parseSyncUrl(std::string_view url);

// The absolute address of `href` (a full address, or a path the server gave) from `base`.
std::string resolveHref(const SyncUrl& base, std::string_view href);

// The path of `href`, percent escapes read: how two spellings of one resource compare equal
// ("/a%40b/" and "/a@b/", "http://host/x" and "/x").
std::string hrefKey(std::string_view href);

// Whether `host` names this machine: "localhost", 127.0.0.0/8 or ::1. Plain http goes only
// there unless the user says otherwise.
bool isLoopbackHost(std::string_view host);

} // namespace qor
