#pragma once

#include "book_file.h"
#include "book_text.h"
#include "contact_record.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qor {

// A book as the window's list shows it after opening, without a window.
struct BookList {
    ReadStatus status = ReadStatus::Missing;
    // Why the book may not be replaced, for Unreadable: it could not be read, is too big, or
    // its bytes are not a book.
    std::string error;
    std::vector<ContactRecord> rows;  // row 0 first
    TextEncoding encoding = TextEncoding::Utf8;
    // False when the book holds nothing but white space (or is missing): its one row is then
    // the empty contact the window shows for a book with nothing in it.
    bool hasRecords = false;
};

// Reads the book at `path` into the rows the window shows after opening: the records in the
// reverse of file order, each taken through the form as the window's load does (combo texts
// become their entries). A missing or unreadable book gives one empty row, as in the window;
// the status tells them apart. A book too big for this machine, or bytes that are not a book,
// are Unreadable, as the window refuses them. Never changes the file.
BookList readBookList(const std::filesystem::path& path);

} // namespace qor
