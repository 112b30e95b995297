#pragma once

#include "contact_hash.h"
#include "merge_lists.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor {

// The three lists of a merge as numbers: each distinct contact (by its 34 texts) gets a number
// from 0 up, and each row the number of the contact it holds. The merge then counts and places
// numbers, and reads a contact again only to copy it into the result. The numbers are 32-bit:
// four billion rows would take terabytes of contacts in memory before they ran out.
struct ContactNumbers {
    std::uint32_t count = 0;                      // distinct contacts in the three lists
    std::array<std::vector<std::uint32_t>, 3> of; // by list (base, ours, theirs), by row
};
enum MergeList : std::size_t { kBaseList = 0, kOursList = 1, kTheirsList = 2 };

using ContactHasher = std::uint64_t (*)(const ContactRecord&);

// Numbers the rows of the three lists. Rows with equal texts get the same number, rows with
// different texts different ones, whatever `hash` gives: the hash only finds the candidates,
// which are compared text by text. (A hash that collides often, as a test may pass, costs only
// time.) Numbers go to contacts in the order base, ours, theirs first meets them. Each list is
// read row by row, never holding a reference of one list across that list's next call.
ContactNumbers numberContacts(const MergeRows& base, const MergeRows& ours, const MergeRows& theirs,
                              ContactHasher hash = hashContact);

// One list as contact numbers, with where each contact stands in it: how many copies, and
// which rows, from the top.
class NumberedList {
public:
    NumberedList(std::vector<std::uint32_t> contactOfRow, std::uint32_t contactCount);

    std::size_t size() const { return m_contactOf.size(); }
    std::uint32_t contactCount() const { return static_cast<std::uint32_t>(m_start.size() - 1); }
    std::uint32_t contactAt(std::size_t row) const { return m_contactOf[row]; }
    // How many rows hold `contact`.
    std::uint32_t copies(std::uint32_t contact) const { return m_start[contact + 1] - m_start[contact]; }
    // How many rows above `row` hold the same contact: 0 for its topmost copy.
    std::uint32_t rankOf(std::size_t row) const { return m_rank[row]; }
    // The row of the copy of `contact` with rank `rank` (below copies(contact)).
    std::size_t rowOf(std::uint32_t contact, std::uint32_t rank) const { return m_rows[m_start[contact] + rank]; }

private:
    std::vector<std::uint32_t> m_contactOf; // by row
    std::vector<std::uint32_t> m_start;     // by contact, where its rows begin in m_rows; one more at the end
    std::vector<std::uint32_t> m_rows;      // the rows, grouped by contact, each group top first
    std::vector<std::uint32_t> m_rank;      // by row
};

} // namespace qor
