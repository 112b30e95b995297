#pragma once

#include "contact_record.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// The most characters a form field accepts; a longer text fails the form's read.
inline constexpr std::size_t kMaxFieldChars = 255;

// Whether the character `c` ends a line of the book. The book's reader ends a line at LF, at
// CR LF and at a lone CR, and at nothing else; a UTF-16 book's wide CR and LF are these same
// characters once decoded. The form's controls and every reader of a foreign format ask this.
constexpr bool endsBookLine(char32_t c) { return c == U'\r' || c == U'\n'; }

// Whether `text` (UTF-8) holds a character that ends a line of the book.
bool holdsLineEnd(std::string_view text);

// Turns every line end in `text` (CR LF, LF or a lone CR) into one space, so that no value can
// end the line of its field in the book and begin a forged one (a lone CR would give a new
// contact, and the rest of the victim's fields would go to it). Every way into the list calls
// it: the importers, the form's read of its controls and the session's commands. A text without
// a line end is left untouched.
void flattenLineEnds(std::string& text);
// The same for every text of `record`; a text that changes loses its Windows-1252 mark, as an
// edit does. Returns whether any text changed.
bool flattenLineEnds(ContactRecord& record);

// The order in which the form's exchange walks its 33 bound fields, in both directions.
// It is neither the tab order nor the column order, and it decides which fields a read that
// stops at an over-long field has already taken from the controls.
const std::array<ContactField, 33>& exchangeOrder();

// Characters (code points) in a UTF-8 text.
std::size_t countChars(std::string_view utf8);

bool exceedsFieldLimit(std::string_view utf8);

// What the form shows for `text` in field `f`: for a combo box the first entry its text begins
// (ignoring case), else the text unchanged.
std::string_view shownText(ContactField f, std::string_view text);

// A record taken through the form and back, as a show followed by a read does it: every combo
// field becomes the entry its text begins. A text over the limit that came from the book is kept
// whole and does not stop the read (only what the user types is held to the limit). Returns the
// first field (in exchange order) over the limit, if any, for the message that tells of it.
std::optional<ContactField> passThroughForm(ContactRecord& record);

} // namespace qor
