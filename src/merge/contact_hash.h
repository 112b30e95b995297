#pragma once

#include "contact_record.h"

#include <cstdint>

namespace qor {

// A 64-bit hash of a contact's 34 texts (not of windows1252Fields: two contacts with the same
// texts are the same contact). Each text's length goes in before its bytes, so moving bytes
// from one field to the next ("ab" + "c", "a" + "bc") changes the hash. Equal texts give equal
// hashes on every machine; different texts collide by chance only, which the merge checks.
std::uint64_t hashContact(const ContactRecord& record);

} // namespace qor
