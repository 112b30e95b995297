#pragma once

#include "contact_numbers.h"
#include "merge_lists.h"

#include <cstdint>
#include <vector>

namespace qor {

// The merged list's rows in order, given how many copies of each contact it holds (`merged`,
// by contact number), as merge_lists.h tells: the topmost `merged` copies of each contact in
// our list, in our order; the copies beyond ours come from the top of their list, each right
// below the lowest row of ours that a row above it in their list stands for, above our rows
// that follow there; with no such row above it, on top. A row of theirs stands for a row of
// ours when both hold the same contact and are as many copies up from the bottom of the copies
// each side keeps in common (new copies go in on top, so the lower ones are the old ones).
std::vector<MergeSource> orderMerged(const NumberedList& ours, const NumberedList& theirs,
                                     const std::vector<std::uint32_t>& merged);

} // namespace qor
