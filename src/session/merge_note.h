#pragma once

#include "merge_lists.h"

#include <string>

namespace qor {

// What the other side changed, in one line: "+3, -1" (added, removed).
std::string otherSideChanges(const MergeAccount& account);

// What a merged save has to tell the user, in sentences, or "" when both sides' changes simply
// went together: contacts changed in both places (both versions kept), deleted on one side and
// changed on the other (the changed one kept), and a merge without the book as last read.
std::string mergeNote(const MergeAccount& account, bool baseUnknown);

} // namespace qor
