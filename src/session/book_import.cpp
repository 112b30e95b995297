#include "book_import.h"

#include "book_session.h"
#include "list_transfer.h"

namespace qor {

BookImport importIntoBook(const std::filesystem::path& book, std::vector<ContactRecord>&& contacts,
                          std::chrono::milliseconds wait)
{
    BookImport result;
    BookSession session(book);
    session.keepUndoSteps(false);
    if (session.lockBook(wait) == BookLock::State::HeldElsewhere) {
        // Another window holds the book: its next save would not know of these contacts.
        result.error = pathText(book) + " is open in another QOR window or command; "
                       "close it, or import from the window's menu";
        return result;
    }
    const LoadReport loaded = session.load();
    if (loaded.refusal) {
        result.error = *loaded.refusal == BookRefusal::NotABook
            ? pathText(book) + " is not a QOR contact book"
            : loaded.reason;
        return result;
    }
    // A book with nothing in it shows one empty contact in the window; an import does not keep it.
    if (loaded.blank)
        session.store().removeRowAt(0);
    session.insertImported(std::move(contacts));

    result.saved = session.save(SaveMode::Attended);
    if (result.saved.outcome == SaveOutcome::Conflict) {
        // Only a program that ignores the lock can have written it meanwhile; nobody is here
        // to choose, and a second file would be a surprise: the book is left as it is.
        session.answerConflict(ConflictChoice::GoBack);
        result.error = pathText(book) + " was changed by another program while the contacts were imported";
        return result;
    }
    if (result.saved.outcome != SaveOutcome::Saved) {
        result.error = result.saved.error;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace qor
