#pragma once

#include "contact_record.h"

#include <array>
#include <vector>

namespace qor {

// The members of a group of duplicates in list order: the top row first, which is the most
// recently added (new contacts go on top).
using GroupMembers = std::vector<ContactRecord>;

// For each field, the member whose text the merged contact takes; kNoSource when every member
// leaves it empty.
inline constexpr int kNoSource = -1;
using FieldSources = std::array<int, kFieldCount>;

// The choice made when the user makes none: the one non-empty text; where members hold
// different texts, the most recently added member's (the highest in the list).
FieldSources defaultSources(const GroupMembers& members);

// Whether two members hold different non-empty texts in `column`: the user has a choice there.
bool fieldDiffers(const GroupMembers& members, std::size_t column);

// Whether the members are equal but for empty fields: no field offers a choice, and merging
// loses nothing.
bool equalExceptEmpty(const GroupMembers& members);

// The one contact the group becomes: each field from its source (empty for kNoSource). A text
// read from Windows-1252 bytes keeps them, as it would in its own row.
ContactRecord mergedContact(const GroupMembers& members, const FieldSources& sources);

} // namespace qor
