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
    std::string error;                // why the book could not be read, for Unreadable
    std::vector<ContactRecord> rows;  // row 0 first
    TextEncoding encoding = TextEncoding::Utf8;
    // False when the book holds no complete line (missing or empty): its one row is then the
    // empty contact the window shows for a book with nothing in it.
    bool hasRecords = false;
};

// Reads the book at `path` into the rows the window shows after opening: the records in the
// reverse of file order, each taken through the form as the window's load does (combo texts
// become their entries). A missing or unreadable book gives one empty row, as in the window;
// the status tells them apart. Never changes the file.
BookList readBookList(const std::filesystem::path& path);

// Writes `rows` (row 0 first) as the book at `path`, as the window's save does: the book
// writer in `preferred` encoding, then the safe replace with its refusals. On failure the
// book is as it was.
WriteResult saveBookList(const std::filesystem::path& path, const std::vector<ContactRecord>& rows,
                         TextEncoding preferred);

} // namespace qor
