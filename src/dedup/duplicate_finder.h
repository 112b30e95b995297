#pragma once

#include "contact_record.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace qor {

// The rows of one person entered more than once, ascending (the top row first).
using DuplicateGroup = std::vector<std::size_t>;

// A block of contacts sharing an e-mail address or a phone number is passed over when it holds
// more than this many (info@, an office's switchboard): such a block says nothing of who is
// who. Name blocks may be larger (a common name), up to the second limit.
inline constexpr std::size_t kLargestIdentifierBlock = 20;
inline constexpr std::size_t kLargestNameBlock = 30;

// Whether the user said that two rows are not one person; they are then never joined directly.
using KeptApart = std::function<bool(std::size_t rowA, std::size_t rowB)>;
// Column `column` of row `row`.
using RowText = std::function<std::string_view(std::size_t row, std::size_t column)>;

// Finds the people entered more than once among `rows` contacts. Each contact is normalised
// once (person_keys.h); contacts are put in blocks by what they share exactly (e-mail address,
// a phone number, date of birth, home address, the words of the name, a name word a letter off
// with the other word); the
// pairs inside each block are scored (duplicate_score.h), and the pairs that score as one
// person are joined into groups. A group holds two or more rows, ascending; groups come in the
// order of their top rows. Near-linear in the rows: no pair of contacts is compared unless a
// block holds both.
std::vector<DuplicateGroup> findDuplicateGroups(std::size_t rows, const RowText& text, const KeptApart& keptApart = {});
std::vector<DuplicateGroup> findDuplicateGroups(const std::vector<ContactRecord>& contacts,
                                                const KeptApart& keptApart = {});

} // namespace qor
