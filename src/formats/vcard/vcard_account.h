#pragma once

#include <string_view>

namespace qor {

class ContactBuilder;

// Counts a vCard property QOR has no field for in the builder's account, by kind ("photo",
// "instant messaging address", else "X-FOO property"), so that nothing is dropped unseen. A
// property that only describes the card (VERSION, PRODID, REV, UID, X-ABUID, SORT-STRING,
// MAILER and their like) is skipped without a word.
void countUnplacedProperty(std::string_view name, ContactBuilder& builder);

} // namespace qor
