#pragma once

#include <cstdint>
#include <string>

namespace qor {

// The lowest `digits` hex digits of `value`, lower case, zeros in front: the state's hashes and
// the UIDs of new cards.
inline std::string hexDigits(std::uint64_t value, int digits)
{
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = "0123456789abcdef"[value & 0xF];
    return text;
}

} // namespace qor
