#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace qor {

// The offset of the first byte of `bytes` below `Below` (at most 0x80) for which `pick(byte)`
// holds, or npos. Whole files and every imported value are searched for control bytes, and
// most hold none at all: eight bytes are tested at once, and only a word that holds a byte
// below `Below` is looked at byte by byte.
template <unsigned char Below, class Pick>
std::size_t findControlByte(std::string_view bytes, Pick pick)
{
    static_assert(Below <= 0x80, "the word test finds bytes below 0x80 only");
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        // A high bit for some byte below `Below` when the word holds one (bytes of 0x80 and
        // more may set one too).
        if (((word - kOnes * Below) & ~word & kHigh) == 0)
            continue;
        for (std::size_t j = i; j < i + 8; ++j)
            if (pick(bytes[j]))
                return j;
    }
    for (; i < bytes.size(); ++i)
        if (pick(bytes[i]))
            return i;
    return std::string_view::npos;
}

} // namespace qor
