#pragma once

// A contact book with near-duplicates planted in it, for measuring the duplicate finder: how
// many planted pairs it finds, and how many groups it makes that are not one person.

#include "contact_record.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor {

struct PlantedBook {
    std::vector<ContactRecord> contacts; // in list order
    std::vector<std::uint32_t> person;   // per contact: the person it is an entry of
    std::size_t plantedPairs = 0;        // pairs of contacts that are one person
};

// `n` contacts of distinct people (the book generator's fields, with names drawn from a few
// thousand surnames and a hundred first names, the common ones more often, so that people do
// share names) of whom about one in twenty is entered again, and one in two hundred twice
// more. Each further entry is the first with one or two changes: a letter of a name mistyped,
// dropped, doubled or swapped with its neighbour; surname and first name swapped; the name
// written "Surname, First" in the surname field; accents dropped; the name in capitals; the
// mobile written another way (+44, 0044, a trunk 0, other spaces); the e-mail address in other
// case or at googlemail.com; a field left out (e-mail, mobile, date of birth, address); a
// comment or likes of its own. The order is shuffled. The same (n, seed) gives the same book.
PlantedBook plantDuplicates(std::size_t n, std::uint32_t seed);

} // namespace qor
