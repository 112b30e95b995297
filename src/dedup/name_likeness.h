#pragma once

#include "person_keys.h"

namespace qor {

// How alike two names are, from the same words in any order to nothing in common.
enum class NameLikeness {
    Same,      // the same words ("Doe, John" and "john doe", "Müller" and "Muller")
    Close,     // the same number of words, each matching: at most one a letter off ("Jon"
               // for "John"), and initials for whole words ("J. Doe" for "John Doe")
    Similar,   // the same number of words, each matching, more than one a letter off
    Partial,   // one name's words all in the other, which has more ("Doe" and "John Doe")
    Unknown,   // one of them has no name
    Related,   // a word in common, but others that differ ("Bob Lee" and "Robert Lee")
    Different, // nothing in common
};

NameLikeness compareNames(const PersonName& a, const PersonName& b);

} // namespace qor
