#pragma once

#include <bit>
#include <cstdint>

namespace qor {

// The two steps of QOR's fast 64-bit hashes (the book's stamp, the merge's contacts), which
// read 8-byte words at memory speed. Not for secrets: they tell apart what differs by chance.

// Takes one 8-byte word into a running hash: an invertible step, so no two words give the
// same state from the same state.
constexpr std::uint64_t hashStep(std::uint64_t h, std::uint64_t word)
{
    h ^= word;
    h *= 0x9E3779B97F4A7C15ull;
    return std::rotl(h, 31);
}

// Spreads each bit of a running hash over the whole word (MurmurHash3's finaliser), so that
// inputs that differ a little give hashes that differ everywhere, low bits included.
constexpr std::uint64_t hashFinish(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

} // namespace qor
