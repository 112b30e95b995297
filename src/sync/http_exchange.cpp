#include "http_exchange.h"

#include <algorithm>
#include <cctype>

namespace qor {

std::string HttpReply::header(std::string_view name) const
{
    const auto sameName = [name](const std::pair<std::string, std::string>& h) {
        return std::equal(h.first.begin(), h.first.end(), name.begin(), name.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto found = std::find_if(headers.begin(), headers.end(), sameName);
    return found == headers.end() ? std::string() : found->second;
}

} // namespace qor
