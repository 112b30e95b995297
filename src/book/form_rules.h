#pragma once

#include "contact_record.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace qor {

// The most characters a form field accepts; a longer text fails the form's read.
inline constexpr std::size_t kMaxFieldChars = 255;

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
