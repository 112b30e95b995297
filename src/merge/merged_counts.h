#pragma once

#include "contact_numbers.h"

#include <cstdint>
#include <vector>

namespace qor {

// How many copies of one contact the merged list holds, from how many the base held and ours
// and theirs hold now. A side that left the count alone takes the other side's; two sides that
// both added copies, or both removed some, made the same change as far as it goes, and it is
// made once (the larger count after additions, the smaller after removals: a contact added on
// both sides stands once, a duplicate removed on both sides goes once); one side adding and
// the other removing both hold (ours + theirs - base, never below the smaller side).
constexpr std::uint32_t mergedCount(std::uint32_t base, std::uint32_t ours, std::uint32_t theirs)
{
    if (ours >= base && theirs >= base)
        return ours > theirs ? ours : theirs;
    if (ours <= base && theirs <= base)
        return ours < theirs ? ours : theirs;
    return ours + theirs - base;
}

// mergedCount of every contact, by contact number.
std::vector<std::uint32_t> mergedCounts(const NumberedList& base, const NumberedList& ours,
                                        const NumberedList& theirs);

} // namespace qor
