#pragma once

#include "contact_record.h"

#include <string>

namespace qor {

// The one name a contact goes by outside the window (a vCard's FN, a calendar entry, a line of
// the upcoming dates): first name and surname; failing that, the nickname; failing that, the
// e-mail address; failing that, "Unnamed". Never empty.
std::string displayName(const ContactRecord& record);

} // namespace qor
