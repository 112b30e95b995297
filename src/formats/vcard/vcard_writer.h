#pragma once

#include "contact_exchange.h"

#include <string>

namespace qor {

enum class VCardVersion { V3, V4 };

// Writes one vCard per row, in row order, CR LF line ends, lines folded at 75 octets.
// Each card has VERSION, PRODID, a UID made from its contents and position (the same book
// exports the same UIDs), FN (displayName) and N (a contact without names has X-QOR-SURNAME and
// X-QOR-FIRSTNAME empty as well, so that FN is not read back as its names); every other
// property only for a field that is not empty. Dates go to BDAY and ANNIVERSARY (3.0:
// X-ANNIVERSARY; a date without a year with Apple's X-APPLE-OMIT-YEAR=1604) when reading them
// back gives exactly the stored texts; otherwise their texts go to X-QOR-DOBDAY and its siblings,
// beside the date the date rules read from them, if any ("march" is March). The fields vCard has
// no property for go to X-QOR-<KEY>. Reading the cards back gives every field unchanged.
std::string writeVCards(const ContactRows& rows, VCardVersion version);
// The same cards appended to `out`, whose memory a caller writing many runs of rows reuses.
void appendVCards(std::string& out, const ContactRows& rows, VCardVersion version);

} // namespace qor
