#pragma once

#include "duplicate_finder.h"
#include "group_merge.h"
#include "not_duplicates.h"

namespace qor {

class ContactStore;

// The groups of duplicates in the list, leaving apart the pairs in `apart`. Reads the rows
// where they are: no contact is copied.
std::vector<DuplicateGroup> findDuplicatesInList(const ContactStore& store, const NotDuplicates& apart = {});

// The contacts of `group`, in its order (the top row first).
GroupMembers membersOf(const ContactStore& store, const DuplicateGroup& group);

} // namespace qor
