#pragma once

#include "contact_record.h"

#include <string>
#include <string_view>

namespace qor {

// A new card for `contact`: vCard 3.0, which every phone reads, with `uid` as its UID.
std::string newCard(const ContactRecord& contact, std::string_view uid);

// The server's card with our contact in it: the properties QOR maps (N, FN, NICKNAME, EMAIL, TEL,
// ADR, LABEL, NOTE, BDAY, the anniversaries, X-QOR-*) are written afresh from `contact`, in the
// card's own vCard version, and every other property (PHOTO, ORG, TITLE, CATEGORIES, URL, a
// phone number or e-mail address the reader found no field for, ...) is kept as the server had
// it, as is the card's UID. Reading the result gives `contact` back, unless a kept extra value
// fills a field `contact` leaves empty.
std::string updatedCard(std::string_view serverCard, const ContactRecord& contact);

// A fresh random UID shaped as a UUID (version 4).
std::string randomUid();

} // namespace qor
