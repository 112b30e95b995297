#pragma once

#include "book_file.h"
#include "contact_exchange.h"

#include <filesystem>
#include <string>

namespace qor {

// What exporting a book file, without a window, gave.
struct BookExport {
    ReadStatus status = ReadStatus::Missing; // Read, or why there is no text: Missing, Unreadable
    std::string error;                       // why, for Unreadable
    std::string text;                        // the export, when Read
    std::size_t contacts = 0;
};

// Exports the book at `book` in `format` (not iCalendar, which streams the dates alone) as the
// window would right after opening it: the same rows in the same order, each taken through the
// form. A book too big for this machine or bytes that are not a book are Unreadable; nothing is
// written anywhere and the book is never changed.
//
// The book is read into the list's packed rows, one block per contact, and each row is copied
// into one reused record as the export reaches it: a vector of records held 3.4 million
// separate strings for a hundred thousand contacts, and allocating and freeing them cost more
// than reading and writing the bytes.
BookExport exportBook(const std::filesystem::path& book, ExchangeFormat format);

} // namespace qor
