#pragma once

#include "contact_record.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// The byte encoding of a book file. Books from old Windows machines are Windows-1252; newer
// ones, and every new book, UTF-8.
enum class TextEncoding { Utf8, Windows1252 };

struct ParsedBook {
    // Records in the order the reader commits them (file order). Texts are UTF-8, exactly as
    // the reader's rules give them; the form's exchange has not been applied.
    std::vector<ContactRecord> records;
    // UTF-8 when the whole file is valid UTF-8 (a pure ASCII file included), else Windows-1252.
    TextEncoding encoding = TextEncoding::Utf8;
};

// Reads a book's bytes into records.
//  - Lines end at a line feed; bytes after the last line feed are ignored.
//  - Trailing white space (space, \t, \n, \v, \f, \r) is trimmed from each line.
//  - The key is every byte before the first '='; the value every byte after it, with further
//    '=' dropped. A line without '=' is all key.
//  - A SURNAME line at line index 6 or later commits the pending record, and the next record
//    starts empty; a record never inherits fields from the one before.
//  - Any of the other 33 keys sets that field of the pending record; other keys are ignored.
//  - The final commit always runs, so a book with no complete line gives one record: `initial`.
// `initial` is the first pending record: the form's contents when the load begins.
ParsedBook parseBook(std::string_view bytes, const ContactRecord& initial);

// The same reader, record by record: `commit` receives each record as the reader commits it,
// in file order. The record's memory is reused for the next one, so a big book is never held
// twice. Returns the book's encoding.
TextEncoding readBookRecords(std::string_view bytes, const ContactRecord& initial,
                             const std::function<void(ContactRecord&)>& commit);

struct FormattedBook {
    std::string bytes;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Writes `rowCount` records, taken from `row(i)` for i = 0 .. rowCount-1, as a book:
// "CREATOR=QOR 1.0" once at the head, then each record's 34 KEY=VALUE lines in column order,
// an empty line between records, CR LF after every line including the last. No rows give
// 0 bytes. The book is written in `preferred`, unless a text cannot be written in it, in
// which case the whole book is UTF-8.
FormattedBook formatBook(std::size_t rowCount,
                         const std::function<const ContactRecord&(std::size_t)>& row,
                         TextEncoding preferred);

} // namespace qor
