// Bringing back a state of the book from its history, through the session as every writer.
#include "book_restore.h"

#include "book_history.h"
#include "book_session.h"
#include "command_save.h"
#include "list_transfer.h"

namespace qor {

BookRestore restoreBookState(const std::filesystem::path& book, int number, std::chrono::milliseconds wait)
{
    BookRestore result;
    BookSession session(book);
    session.keepUndoSteps(false);
    result.error = holdTurnAsCommand(session, wait);
    if (!result.error.empty())
        return result;
    // Read under the lock: the history cannot gain an entry meanwhile.
    const RebuiltState state = rebuildState(book, number);
    if (!state.ok) {
        result.error = state.error;
        return result;
    }
    result.error = refusalOf(session.load(), book);
    if (!result.error.empty())
        return result;
    session.store().removeTopRows(session.store().rowCount());
    // A state with nothing in it is an empty book, not the reader's one empty contact.
    std::vector<ContactRecord> records;
    if (state.bytes.find_first_not_of(" \t\r\n\v\f") != std::string::npos)
        records = parseBook(state.bytes, ContactRecord{}).records;
    result.contacts = records.size();
    session.insertImported(std::move(records)); // the file's first record on top: saved first

    result.error = saveAsCommand(session, result.saved, "meanwhile");
    result.ok = result.error.empty();
    return result;
}

} // namespace qor
