#include "sync_url.h"

#include <algorithm>
#include <cctype>

namespace qor {

namespace {

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

SyncUrl parseSyncUrl(std::string_view url)
{
    SyncUrl parsed;
    const std::size_t colon = url.find("://");
    if (colon == std::string_view::npos)
        return parsed;
    parsed.scheme = lower(url.substr(0, colon));
    if (parsed.scheme != "http" && parsed.scheme != "https")
        return parsed;
    const std::string_view rest = url.substr(colon + 3);
    const std::size_t slash = rest.find_first_of("/?#");
    parsed.authority = std::string(rest.substr(0, slash));
    parsed.path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (const std::size_t cut = parsed.path.find_first_of("?#"); cut != std::string::npos)
        parsed.path.erase(cut);
    if (parsed.path.empty() || parsed.path[0] != '/')
        parsed.path.insert(parsed.path.begin(), '/');
    std::string_view hostPort = parsed.authority;
    if (const std::size_t at = hostPort.rfind('@'); at != std::string_view::npos)
        return parsed; // a user in the address is refused: the account is given apart
    if (hostPort.starts_with('[')) {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos)
            return parsed;
        parsed.host = std::string(hostPort.substr(1, close - 1));
    } else {
        parsed.host = std::string(hostPort.substr(0, hostPort.find(':')));
    }
    parsed.host = lower(parsed.host);
    parsed.valid = !parsed.host.empty();
    return parsed;
}

std::string resolveHref(const SyncUrl& base, std::string_view href)
{
    if (href.starts_with("http://") || href.starts_with("https://"))
        return std::string(href);
    if (href.starts_with('/'))
        return base.origin() + std::string(href);
    std::string path = base.path;
    path.erase(path.rfind('/') + 1);
    return base.origin() + path + std::string(href);
}

std::string hrefKey(std::string_view href)
{
    if (href.starts_with("http://") || href.starts_with("https://")) {
        const SyncUrl url = parseSyncUrl(href);
        return hrefKey(url.path);
    }
    std::string key;
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && hexValue(href[i + 1]) >= 0 && hexValue(href[i + 2]) >= 0) {
            key += static_cast<char>(hexValue(href[i + 1]) * 16 + hexValue(href[i + 2]));
            i += 2;
        } else {
            key += href[i];
        }
    }
    return key;
}

bool isLoopbackHost(std::string_view host)
{
    const std::string h = lower(host);
    return h == "localhost" || h == "::1" || h.starts_with("127.");
}

} // namespace qor
