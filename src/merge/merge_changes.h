#pragma once

#include "contact_numbers.h"
#include "merge_lists.h"

#include <cstddef>
#include <limits>
#include <vector>

namespace qor {

// What one side did to each row of the base: kept it, removed it, or replaced it by one of its
// own rows (the row's number).
inline constexpr std::size_t kKeptRow = std::numeric_limits<std::size_t>::max();
inline constexpr std::size_t kRemovedRow = kKeptRow - 1;

// By base row: kKeptRow, kRemovedRow or the row of `side` that took its place. Of the copies of
// a contact, the side keeps as many as both hold, matched from the bottom (new rows go in on
// top); it removed the base's copies above those and added its own. A removed row was replaced
// by an added one with the same surname and first name (not both empty), matched in list order;
// failing that, by one in the same place: below the same nearest row that the side kept (or
// both on top), the first removed there with the first added there, and so on. Each added row
// replaces one removed row at most. Reads the names of the removed and added rows only.
std::vector<std::size_t> replacementsBy(const MergeRows& baseRows, const NumberedList& base,
                                        const MergeRows& sideRows, const NumberedList& side);

// The account of a merge, from the three lists and what each side did to the base
// (replacementsBy); see MergeAccount.
MergeAccount accountOf(const NumberedList& base, const NumberedList& ours, const NumberedList& theirs,
                       const std::vector<std::size_t>& replacedHere, const std::vector<std::size_t>& replacedThere);

} // namespace qor
