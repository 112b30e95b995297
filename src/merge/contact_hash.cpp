// The hash the merge tells contacts apart by.
#include "contact_hash.h"

#include "hash_steps.h"

#include <cstring>
#include <string>

namespace qor {

namespace {

constexpr std::uint64_t kSeeds[2] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull};

std::uint64_t load(const char* p, std::size_t size)
{
    std::uint64_t word = 0;
    std::memcpy(&word, p, size);
    return word;
}

// The last 1 to 7 bytes of a text as one word, without a copy of variable length: two loads
// that overlap, or for three bytes or fewer the first, middle and last. Together with the
// length, which went in first, the word tells the bytes apart.
std::uint64_t tailWord(const char* p, std::size_t size)
{
    if (size >= 4)
        return load(p, 4) | load(p + size - 4, 4) << 32;
    const auto byte = [](char c) { return std::uint64_t{static_cast<unsigned char>(c)}; };
    return byte(p[0]) | byte(p[size / 2]) << 8 | byte(p[size - 1]) << 16;
}

// The length, then 8-byte words and the tail.
std::uint64_t absorbText(std::uint64_t h, const std::string& text)
{
    h = hashStep(h, text.size());
    const char* p = text.data();
    std::size_t left = text.size();
    for (; left >= 8; p += 8, left -= 8)
        h = hashStep(h, load(p, 8));
    if (left > 0)
        h = hashStep(h, tailWord(p, left));
    return h;
}

} // namespace

std::uint64_t hashContact(const ContactRecord& record)
{
    // Two lanes, the even fields in one and the odd ones in the other, so that their
    // multiplications overlap: most texts are a word or two, and one chain of 34 texts would
    // wait on every multiplication in turn. The merge hashes 300,000 contacts at a time.
    static_assert(kFieldCount % 2 == 0);
    std::uint64_t lanes[2] = {kSeeds[0], kSeeds[1]};
    for (std::size_t column = 0; column < kFieldCount; column += 2) {
        lanes[0] = absorbText(lanes[0], record.texts[column]);
        lanes[1] = absorbText(lanes[1], record.texts[column + 1]);
    }
    return hashFinish(lanes[0] ^ hashFinish(lanes[1]));
}

} // namespace qor
