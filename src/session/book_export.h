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
    // exportBookToFile only: the file named is the book itself, and nothing was written...
    bool isTheBook = false;
    // ...or the file was written, or why not.
    bool written = false;
    std::string writeError;
};

// Exports the book at `book` in `format` (not iCalendar, which streams the dates alone) as the
// window would right after opening it: the same rows in the same order, each taken through the
// form. A book too big for this machine or bytes that are not a book are Unreadable; nothing is
// written anywhere and the book is never changed.
//
// The book is indexed (RecordIndex) and each record read from the book's bytes as the writer
// reaches it, straight into one reused record: no list of the contacts is built. A vCard export
// writes the list's two halves on two threads. Building the list's rows first, as a window
// does, cost more than reading and writing the bytes.
BookExport exportBook(const std::filesystem::path& book, ExchangeFormat format);

// The same export written straight into `file`, which replaceFileSafelyInPieces replaces, the
// text written a piece at a time as it is made so that it is never held whole. When the book
// cannot be exported, or `file` is the book itself, nothing is written.
BookExport exportBookToFile(const std::filesystem::path& book, ExchangeFormat format, const std::filesystem::path& file);

} // namespace qor
