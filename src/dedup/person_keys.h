#pragma once

#include "contact_record.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// A contact's name as the duplicate finder compares it: the surname's and the first name's
// words, each folded (lower case, no accents, no punctuation: "O'Brien" is "obrien", "J." is
// "j"). A surname written "Doe, John" with no first name is read as surname Doe, first name
// John, as the list names a contact.
struct PersonName {
    std::vector<std::string> surname;
    std::vector<std::string> given;
    // Every word, sorted: two names written in either order, or with the fields swapped, have
    // the same bag ("Doe, John" and "John Doe"). Made once, as the finder compares each name
    // with many.
    std::vector<std::string> bag;
    bool empty() const { return bag.empty(); }
};
PersonName normaliseName(std::string_view surname, std::string_view firstName);

// An e-mail address as it identifies a mailbox: trimmed, lower case, with googlemail.com taken
// as gmail.com. "" for a text with no "@" between two non-empty parts.
std::string normaliseEmail(std::string_view email);

// A telephone number as it identifies a line: its last 9 digits, which international prefixes
// ("+44", "0044") and a trunk zero ("07700") do not reach, so "+44 7700 900123", "0044 7700
// 900123" and "07700 900123" agree. A shorter number keeps all its digits; one of fewer than 6
// digits (an extension, a typo) identifies nothing: "".
std::string normalisePhone(std::string_view phone);

// A folded text for comparing free-text fields (a street, likes): folded, words separated by
// single spaces, punctuation dropped.
std::string foldedWords(std::string_view text);

// Whether two folded words are at most one edit apart: one letter changed, added or dropped,
// or two neighbours swapped ("smith", "smiht").
bool withinOneEdit(std::string_view a, std::string_view b);

} // namespace qor
