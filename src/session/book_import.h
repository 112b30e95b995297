#pragma once

#include "contact_record.h"
#include "save_result.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace qor {

// How long a writer without a window waits for its turn among the book's writers: long enough
// for several other commands' or windows' saves of a big book, one after the other. Nobody
// watches a command wait; a window waits less (BookSession::kWriterWait).
inline constexpr std::chrono::milliseconds kBookLockWait{30000};

// What putting contacts straight into the book file did.
struct BookImport {
    bool ok = false;
    std::string error; // why the book is not changed
    SaveResult saved;  // when ok: the save (and a copy of the book as it was, if one was kept)
    std::size_t imported = 0;      // contacts put in the book
    std::size_t alreadyInBook = 0; // contacts equal to one the book held, left out
};

// Puts `contacts` on top of the book at `book`, the first on top, and saves it as a window
// opened on the book, given the contacts and closed would: the writer's turn is taken first
// (waiting up to `wait` for another writer) and held to the end, the book is read then and
// there, a book that may not be replaced (unreadable, not a book, too big) is refused, and a
// book that a program ignoring the turn changed before the save is refused too. A window open
// on the book does not stop it: that window's next save merges the contacts in. A book that
// does not exist yet, or holds only white space, gets just the contacts. On every refusal or
// failure the book is as it was. A contact equal in all 34 fields to one of the book is not
// put in again.
BookImport importIntoBook(const std::filesystem::path& book, std::vector<ContactRecord>&& contacts,
                          std::chrono::milliseconds wait = kBookLockWait);

} // namespace qor
