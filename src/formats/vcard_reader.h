#pragma once

#include "contact_exchange.h"

#include <string_view>

namespace qor {

// Whether `bytes` (after any byte-order mark and blank lines) begins like a vCard file.
bool looksLikeVCard(std::string_view bytes);

// Reads every card of a vCard 2.1, 3.0 or 4.0 file: CR LF or LF line ends, folded lines,
// group prefixes, TYPE= lists and 2.1's bare types in any case, quoted-printable with soft line
// breaks, CHARSET= (text without one is UTF-8 where valid, Windows-1252 otherwise), cards
// without VERSION. The first value of each kind fills its field; the rest, and properties QOR
// has no field for, are counted in the account. Refuses, with the line at fault: binary bytes,
// text outside a card, a card inside a card, an END without BEGIN, a card without END, a file
// with no card.
ImportResult readVCards(std::string_view bytes);

} // namespace qor
