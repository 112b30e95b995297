#pragma once

#include "contact_record.h"
#include "history_entry.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qor {

// The contacts of one state of the book's history, as a window would list that book: the
// file's last contact on top, each as the form's exchange gives it back. A state that is only
// white space holds no contacts; one that is not a book, or cannot be rebuilt, gives `error`.
struct StateContacts {
    std::string error;
    std::vector<ContactRecord> rows;
};
StateContacts contactsOfState(const std::filesystem::path& book, int number);

// What a state's save changed, for a list of the states: "+2 added, -1 removed", or "found on
// disk" for a book another program wrote, or the first QOR saved over.
std::string stateChangesText(const StateFacts& facts);

} // namespace qor
