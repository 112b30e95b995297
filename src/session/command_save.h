#pragma once

#include "book_session.h"

#include <chrono>
#include <string>
#include <string_view>

namespace qor {

// Takes the writer's turn for a writer without a window and holds it while `session` lives,
// waiting up to `wait` for another writer: "" when it has it, else why the book is left alone.
std::string holdTurnAsCommand(BookSession& session, std::chrono::milliseconds wait);

// What a writer without a window (--import, --restore) says when opening the book found it
// unusable: why it may not be written, or "" when it may.
std::string refusalOf(const LoadReport& loaded, const std::filesystem::path& book);

// Opens the book for such a writer: takes the writer's turn (waiting up to `wait`) and holds it
// while the session lives, reads the book, and refuses one that may not be replaced; a book with
// nothing in it gives an empty list. Returns why the book may not be written, or "" when it may.
std::string openForCommand(BookSession& session, std::chrono::milliseconds wait);

// Saves the list as such a writer does, into `saved`: a book that another program changed since
// it was read under the lock is left as it is (nobody is there to choose, and a second file
// would be a surprise). Returns why the book is not changed, or "" when it was saved. `doing`
// ends the message: "while the contacts were imported".
std::string saveAsCommand(BookSession& session, SaveResult& saved, std::string_view doing);

} // namespace qor
