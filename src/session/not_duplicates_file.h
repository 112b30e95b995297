#pragma once

#include "book_file.h"
#include "not_duplicates.h"

#include <filesystem>

namespace qor {

// The pairs the user kept apart live beside the book, in "<book>.not-duplicates"
// (qor.qor.not-duplicates), mode 0600 like the book.
std::filesystem::path notDuplicatesPathFor(const std::filesystem::path& book);

// What is kept beside `book`; nothing when there is no such file or it cannot be read (the
// finder then proposes those pairs again, which loses nothing).
NotDuplicates readNotDuplicates(const std::filesystem::path& book);

// Adds every pair of `contacts` to what is kept beside `book` and writes it safely (a
// temporary file renamed into place): the old file stays whole on any failure.
WriteResult keepApart(const std::filesystem::path& book, const std::vector<ContactRecord>& contacts);

} // namespace qor
