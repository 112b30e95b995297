#include "state_contacts.h"

#include "book_history.h"
#include "list_rows.h"

namespace qor {

StateContacts contactsOfState(const std::filesystem::path& book, int number)
{
    StateContacts state;
    const RebuiltState rebuilt = rebuildState(book, number);
    if (!rebuilt.ok) {
        state.error = rebuilt.error;
        return state;
    }
    // A book of nothing, not the reader's one empty contact.
    if (rebuilt.bytes.find_first_not_of(" \t\r\n\v\f") == std::string::npos)
        return state;
    ListOfBook list = listOfBook(rebuilt.bytes);
    if (!list.reading.isBook) {
        state.error = "the book was not a QOR contact book then";
        return state;
    }
    state.rows = std::move(list.rows);
    return state;
}

std::string stateChangesText(const StateFacts& facts)
{
    // A book written by another program, or the first one QOR saved over: what it changed is
    // not known, only that it was there.
    if (facts.added < 0 || facts.removed < 0)
        return "found on disk";
    return "+" + std::to_string(facts.added) + " added, -" + std::to_string(facts.removed) + " removed";
}

} // namespace qor
