#pragma once

#include "contact_exchange.h"

#include <string_view>

namespace qor {

// Whether `bytes` (after any byte-order mark and blank lines) begins like a vCard file.
bool looksLikeVCard(std::string_view bytes);

// Reads every card of a vCard 2.1, 3.0 or 4.0 file: any line end (CR LF, LF, CR, CR CR LF,
// mixed), folded lines, group prefixes, parameters in every standard spelling (TYPE="work,voice",
// TYPE=work,voice, TYPE=WORK;TYPE=VOICE, 2.1's bare WORK;VOICE, in any case), quoted-printable
// with soft line breaks, CHARSET= (decoded before the escapes are read, see CharsetDecoder;
// text without one is UTF-8 where valid, Windows-1252 otherwise), cards without VERSION.
// Values are placed as ContactBuilder says: typed before untyped, the preferred (PREF=1,
// TYPE=pref, bare PREF) first; names from N, else FN, else ORG; an address from a LABEL when no
// ADR of its type. What finds no field is counted in the account, and a value whose charset
// could not be decoded in `undecoded`. Refuses, with the line at fault: binary bytes, text
// outside a card, a card inside a card, an END without BEGIN, a card without END, a file with
// no card.
ImportResult readVCards(std::string_view bytes);

} // namespace qor
