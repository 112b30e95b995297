#pragma once

#include "book_import.h"

#include <chrono>
#include <filesystem>

namespace qor {

// What making a state of the book's history the book again did.
struct BookRestore {
    bool ok = false;
    std::string error;       // why the book is not changed
    std::size_t contacts = 0; // the contacts of the book now
    SaveResult saved;
};

// Makes state `number` of the history of `book` (1 is the newest) the book again, as a window
// would that was given those contacts in that order and saved: the writer's turn is taken first
// (waiting up to `wait`) and held to the end, the book is read, a book that may not be replaced or that something else changed
// before the save is refused, and the save is itself a new state of the history. A state that
// does not exist, or cannot be rebuilt, is refused. On every refusal or failure the book is as
// it was.
BookRestore restoreBookState(const std::filesystem::path& book, int number,
                             std::chrono::milliseconds wait = kBookLockWait);

} // namespace qor
