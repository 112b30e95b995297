#include "book_import.h"

#include "book_session.h"
#include "command_save.h"
#include "list_transfer.h"

namespace qor {

BookImport importIntoBook(const std::filesystem::path& book, std::vector<ContactRecord>&& contacts,
                          std::chrono::milliseconds wait)
{
    BookImport result;
    BookSession session(book);
    session.keepUndoSteps(false);
    result.error = openForCommand(session, wait);
    if (!result.error.empty())
        return result;
    result.alreadyInBook = dropContactsInList(session.store(), contacts);
    result.imported = contacts.size();
    session.insertImported(std::move(contacts));

    // Only a program that ignores the lock can have written it meanwhile.
    result.error = saveAsCommand(session, result.saved, "while the contacts were imported");
    result.ok = result.error.empty();
    return result;
}

} // namespace qor
